#include "odbc/connection_string.h"

#include <gtest/gtest.h>

namespace tabulink {

TEST(ConnectionString, PlainValuesAsGivenUserOnlyWhenPresentPasswordAlways) {
  EXPECT_EQ(connectionString("Sales", "ann", "x"), "DSN=Sales;UID=ann;PWD=x");
  EXPECT_EQ(connectionString("Sales", "", ""), "DSN=Sales;PWD=");
  EXPECT_EQ(connectionString("", "", ""), "DSN=;PWD=");
  EXPECT_EQ(connectionString("", "ann", "a=b"), "DSN=;UID=ann;PWD=a=b");
}

TEST(ConnectionString, ValuesThatCouldAddAttributesAreBraced) {
  EXPECT_EQ(connectionString("Sales", "ann", "a;DRIVER=evil"),
            "DSN=Sales;UID=ann;PWD={a;DRIVER=evil}");
  EXPECT_EQ(connectionString("My;Dsn", "{ann}", "p}w"), "DSN={My;Dsn};UID={{ann}}};PWD={p}}w}");
}

TEST(ConnectionString, DataSourceNameIsTheFirstAttributesValue) {
  EXPECT_EQ(firstAttributeValue("DSN=Sales;UID=ann;PWD=x"), "Sales");
  EXPECT_EQ(firstAttributeValue("DSN=Sales"), "");  // no ";": nothing is taken
  EXPECT_EQ(firstAttributeValue("DRIVER=SQLite3;Database=a.db"), "SQLite3");
  EXPECT_EQ(firstAttributeValue("DSN={My;Dsn};PWD=x"), "My;Dsn");
  EXPECT_EQ(firstAttributeValue("DSN={a}}b};UID=c"), "a}b");
}

}  // namespace tabulink
