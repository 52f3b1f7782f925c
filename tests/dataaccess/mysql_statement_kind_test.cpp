// Which statements may take the quick road to the server: a wrong "no rows"
// would leave an answer unread on the connection, a wrong "rows" costs a
// prepare per statement.
#include <gtest/gtest.h>

#include "dataaccess/mysql_statement_kind.h"

namespace {

struct KindCase {
  const char* name;
  const char* text;
  bool answersNoRows;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class StatementKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(StatementKindTest, ReadsTheTextAsTheServerWould) {
  EXPECT_EQ(dataaccess::AnswersNoRows(GetParam().text), GetParam().answersNoRows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatementKindTest,
    testing::Values(
        KindCase{"PlainInsert", "INSERT INTO t VALUES (1, 'a')", true},
        KindCase{"LowerCaseAfterBlanks", " \n\tinsert into t values (1)", true},
        KindCase{"OtherRowlessWords", "CREATE TABLE t (a int)", true},
        KindCase{"Select", "SELECT 1", false},
        KindCase{"WordOnlyStartsLikeInsert", "INSERTED INTO t VALUES (1)", false},
        KindCase{"Empty", "", false},
        KindCase{"Returning", "INSERT INTO t VALUES (1) RETURNING a", false},
        KindCase{"ReturningRightAfterParenthesis", "insert into t values (1)returning a", false},
        KindCase{"ReturningAfterDoubledQuote", "INSERT INTO t VALUES ('it''s') RETURNING a", false},
        KindCase{"ReturningAfterBackslashAtEndOfValue", "INSERT INTO t VALUES ('a\\') RETURNING a", false},
        KindCase{"ReturningAfterLineComment", "INSERT INTO t VALUES (1) -- it's\nRETURNING a", false},
        KindCase{"ReturningInExecutableComment", "INSERT INTO t VALUES (1) /*!100500 RETURNING a */", false},
        KindCase{"ReturningInValues", "INSERT INTO t VALUES (1, 'returning'), (2, 'RETURNING customers')", true},
        KindCase{"ReturningInDoubleQuotes", "INSERT INTO t VALUES (1, \"Returning\")", true},
        KindCase{"ReturningAsQuotedColumn", "INSERT INTO t (`returning`) VALUES (1)", true},
        KindCase{"ReturningInComments", "INSERT INTO t VALUES (1) /* returning */ # returning\n-- returning", true},
        KindCase{"ReturningInsideLongerWords", "INSERT INTO returning_customers VALUES (1)", true},
        KindCase{"ReturningNotAfterInsert", "CREATE TABLE returning (a int)", true}));

}  // namespace
