#include "odbc/connection_string.h"

#include <gtest/gtest.h>

namespace tabulink {

TEST(ConnectionString, PlainValuesAsGivenUserOnlyWhenPresentPasswordAlways) {
  EXPECT_EQ(connectionString("Sales", "ann", "x"), "DSN=Sales;UID=ann;PWD=x");
  EXPECT_EQ(connectionString("Sales", "", ""), "DSN=Sales;PWD=");
  EXPECT_EQ(connectionString("", "", ""), "DSN=;PWD=");
  EXPECT_EQ(connectionString("My Dsn", "ann b", "p w!"), "DSN=My Dsn;UID=ann b;PWD=p w!");
}

TEST(ConnectionString, NoStringWhenAnyValueCouldAddAttributes) {
  for (const char* bad : {"a;DATABASE=x", "{a}", "a}", "a=b", "a+b", "a%41"}) {
    EXPECT_EQ(connectionString(bad, "ann", "x"), std::nullopt) << bad;
    EXPECT_EQ(connectionString("Sales", bad, "x"), std::nullopt) << bad;
    EXPECT_EQ(connectionString("Sales", "ann", bad), std::nullopt) << bad;
  }
}

TEST(ConnectionString, DataSourceNameIsTheFirstAttributesValue) {
  EXPECT_EQ(firstAttributeValue("DSN=Sales;UID=ann;PWD=x"), "Sales");
  EXPECT_EQ(firstAttributeValue("DSN=Sales"), "");  // no ";": nothing is taken
  EXPECT_EQ(firstAttributeValue("DRIVER=SQLite3;Database=a.db"), "SQLite3");
  EXPECT_EQ(firstAttributeValue("DSN={My;Dsn};PWD=x"), "My;Dsn");
  EXPECT_EQ(firstAttributeValue("DSN={a}}b};UID=c"), "a}b");
}

}  // namespace tabulink
