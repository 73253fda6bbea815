-- The demo data source: a small order book. Built into a SQLite database by run-demo.sh.
PRAGMA synchronous = OFF;
BEGIN;

CREATE TABLE customers (
  id           INTEGER PRIMARY KEY,
  name         VARCHAR(40) NOT NULL,
  city         VARCHAR(30),
  credit_limit NUMERIC(10,2),
  since        DATE,
  active       BIT,
  notes        VARCHAR(300)
);

CREATE TABLE products (
  code        CHAR(8) PRIMARY KEY,
  description VARCHAR(60) NOT NULL,
  price       NUMERIC(10,2) NOT NULL,
  weight_kg   REAL
);

CREATE TABLE orders (
  id          INTEGER PRIMARY KEY,
  customer_id INTEGER NOT NULL REFERENCES customers(id),
  ordered_at  TIMESTAMP NOT NULL,
  shipped_on  DATE,
  status      VARCHAR(10) NOT NULL
);

CREATE TABLE order_lines (
  order_id     INTEGER NOT NULL REFERENCES orders(id),
  line_no      SMALLINT NOT NULL,
  product_code CHAR(8) NOT NULL REFERENCES products(code),
  quantity     INTEGER NOT NULL,
  unit_price   NUMERIC(10,2) NOT NULL,
  discount     DOUBLE,
  PRIMARY KEY (order_id, line_no)
);

CREATE VIEW order_totals AS
  SELECT o.id AS order_id, c.name AS customer, o.ordered_at,
         SUM(l.quantity * l.unit_price) AS total
  FROM orders o JOIN customers c ON c.id = o.customer_id
  JOIN order_lines l ON l.order_id = o.id
  GROUP BY o.id, c.name, o.ordered_at;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO customers
SELECT i,
       (SELECT value FROM json_each('["Rossi","Meier","Dubois","Novak","Silva","Jensen","Kowalski","Smith"]')
         WHERE key = i % 8) || ' ' || (SELECT value FROM json_each('["Trading","& Sons","GmbH","Ltd.","S.p.A.","Partners"]')
         WHERE key = i % 6) || ' ' || i,
       CASE WHEN i % 17 = 0 THEN NULL
            ELSE (SELECT value FROM json_each('["Rome","Zürich","Lyon","Praha","Porto","Aarhus","Kraków","Leeds","Genève"]')
                  WHERE key = i % 9) END,
       CASE WHEN i % 11 = 0 THEN NULL ELSE round((i * 7919 % 50000) + (i % 100) / 100.0, 2) END,
       CASE WHEN i % 13 = 0 THEN NULL ELSE date('2001-01-01', '+' || (i * 37 % 8000) || ' days') END,
       i % 5 <> 0,
       CASE WHEN i % 4 = 0 THEN NULL
            ELSE 'Customer ' || i || ' prefers delivery in the morning; invoices by e-mail. '
                 || substr('Long-standing account with a history of large seasonal orders, '
                           || 'special pricing agreed for bulk quantities and a dedicated contact '
                           || 'person in the purchasing department who asks for weekly updates.',
                           1, 40 + (i * 13 % 160)) END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120)
INSERT INTO products
SELECT printf('P%05d', i),
       (SELECT value FROM json_each('["Bolt","Washer","Bracket","Hinge","Valve","Gasket","Spring","Bearing"]')
         WHERE key = i % 8) || ' ' || (i % 12 + 2) || ' mm, '
         || (SELECT value FROM json_each('["steel","brass","nylon","aluminium","copper"]') WHERE key = i % 5),
       round(0.15 + (i * 331 % 9000) / 100.0, 2),
       CASE WHEN i % 9 = 0 THEN NULL ELSE round((i * 17 % 500) / 97.0, 3) END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500)
INSERT INTO orders
SELECT i,
       1 + (i * 7 % 300),
       datetime('2023-01-01 08:00:00', '+' || (i * 541 % 60000) || ' minutes',
                '+' || (i * 13 % 700) || ' days'),
       CASE WHEN i % 6 = 0 THEN NULL ELSE date('2023-01-03', '+' || (i * 13 % 700) || ' days') END,
       CASE WHEN i % 6 = 0 THEN 'open' WHEN i % 29 = 0 THEN 'returned' ELSE 'shipped' END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4500)
INSERT INTO order_lines
SELECT 1 + (i - 1) / 3,
       1 + (i - 1) % 3,
       printf('P%05d', 1 + (i * 37 % 120)),
       1 + (i * 11 % 48),
       round(0.15 + ((1 + (i * 37 % 120)) * 331 % 9000) / 100.0, 2),
       CASE WHEN i % 7 = 0 THEN 0.05 WHEN i % 10 = 0 THEN NULL ELSE 0 END
FROM n;

COMMIT;
