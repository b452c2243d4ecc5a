// How the SQL editor reads its text: statement kinds, the text sent, and scripts
// cut into statements (strings, comments, blocks and "/" lines).
#include "sqlscript.h"

#include <gtest/gtest.h>

using namespace monitor;

namespace {

std::vector<std::string> texts(const std::string &script)
{
    std::vector<std::string> out;
    for (const auto &s : splitScript(script))
        out.push_back(s.text);
    return out;
}

} // namespace

TEST(SqlScript, QueriesAreKnownByTheirFirstKeyword)
{
    EXPECT_EQ(classify("  select 1 from dual  "), StatementKind::Query);
    EXPECT_EQ(classify("\n\nselect 1 from dual"), StatementKind::Query);
    EXPECT_EQ(classify("\t-- the count\nSELECT count(*) from dual"), StatementKind::Query);
    EXPECT_EQ(classify("/* a; b */ select 1 from dual"), StatementKind::Query);
    EXPECT_EQ(classify("((select 1 from dual))"), StatementKind::Query);
    EXPECT_EQ(classify("with a as (select 1 x from dual) select * from a"), StatementKind::Query);
    EXPECT_EQ(classify("Update t set a = 1"), StatementKind::Dml);
    EXPECT_EQ(classify("-- x\ndelete from t"), StatementKind::Dml);
    EXPECT_EQ(classify("insert into t values (1)"), StatementKind::Dml);
    // A keyword must be a whole word: SELECTED is not SELECT.
    EXPECT_EQ(classify("selected"), StatementKind::Command);
    EXPECT_EQ(classify("begin null; end;"), StatementKind::Command);
    EXPECT_EQ(classify("create table t (a number)"), StatementKind::Command);
    EXPECT_EQ(classify(""), StatementKind::Command);
    EXPECT_EQ(classify("-- only a comment"), StatementKind::Command);
    EXPECT_EQ(firstKeyword("  (\n-- c\n  with x"), "WITH");

    EXPECT_TRUE(isPlsqlBlock("declare n number; begin null; end;"));
    EXPECT_TRUE(isPlsqlBlock("-- pkg\nCREATE OR REPLACE PACKAGE BODY p AS END;"));
    EXPECT_TRUE(isPlsqlBlock("create function f return number is begin return 1; end;"));
    EXPECT_TRUE(isPlsqlBlock("create or replace trigger t before insert on x begin null; end;"));
    EXPECT_FALSE(isPlsqlBlock("create table t (a number)"));
    EXPECT_FALSE(isPlsqlBlock("create or replace view v as select 1 x from dual"));
}

TEST(SqlScript, TheTextSentLosesBlanksAndOneTrailingSemicolon)
{
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\tselect \n"), "\tselect \n");   // only the space character
    EXPECT_EQ(statementToSend("  select 1 from dual;  "), "select 1 from dual");
    EXPECT_EQ(statementToSend("select 1 from dual ;\n"), "select 1 from dual");
    EXPECT_EQ(statementToSend("select 1 from dual;;"), "select 1 from dual;");   // one only
    EXPECT_EQ(statementToSend("select ';' from dual"), "select ';' from dual");
    EXPECT_EQ(statementToSend("select 1 from dual -- note;"), "select 1 from dual -- note;");
    EXPECT_EQ(statementToSend("begin null; end;"), "begin null; end;");
    EXPECT_EQ(statementToSend("begin\n  null;\nend;\n/\n"), "begin\n  null;\nend;");
    EXPECT_EQ(statementToSend("   "), "");
}

TEST(SqlScript, ScriptsAreCutAtSemicolonsAndSlashLines)
{
    EXPECT_EQ(texts("select 1 from dual; select 2 from dual;\nselect 3 from dual"),
              (std::vector<std::string>{"select 1 from dual", "select 2 from dual", "select 3 from dual"}));
    // Semicolons inside strings, quoted names, comments and q-quotes do not cut.
    EXPECT_EQ(texts("select 'a;b', \"x;y\" from t; -- c;d\nselect q'[e;f]' from dual /* g; */;"),
              (std::vector<std::string>{"select 'a;b', \"x;y\" from t", "-- c;d\nselect q'[e;f]' from dual /* g; */"}));
    EXPECT_EQ(texts("select 'it''s; ok' from dual;"), (std::vector<std::string>{"select 'it''s; ok' from dual"}));
    // A block keeps its semicolons up to the "/" line.
    const std::string script = "insert into t values (1);\n"
                               "begin\n  insert into t values (2);\n  commit;\nend;\n/\n"
                               "create or replace procedure p is\nbegin\n  null;\nend;\n  /  \n"
                               "select * from t;\n";
    auto all = splitScript(script);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].text, "insert into t values (1)");
    EXPECT_EQ(all[1].text, "begin\n  insert into t values (2);\n  commit;\nend;");
    EXPECT_EQ(all[1].line, 1);
    EXPECT_EQ(all[2].text, "create or replace procedure p is\nbegin\n  null;\nend;");
    EXPECT_EQ(all[3].text, "select * from t");
    EXPECT_EQ(all[3].line, 11);
    // A block at the end without its "/" still runs; empty pieces are left out.
    EXPECT_EQ(texts(";;\n-- nothing\n;declare x number; begin null; end;"),
              (std::vector<std::string>{"declare x number; begin null; end;"}));
    // A "/" line after a SQL statement ends it too; a division does not.
    EXPECT_EQ(texts("select 4/2 from dual\n/\nselect 1 from dual"),
              (std::vector<std::string>{"select 4/2 from dual", "select 1 from dual"}));
    EXPECT_TRUE(splitScript("  \n -- only\n").empty());
    // An unclosed string runs to the end rather than cutting at a later ";".
    EXPECT_EQ(texts("select 'abc; from dual; select 1"), (std::vector<std::string>{"select 'abc; from dual; select 1"}));
}

TEST(SqlScript, TheStatementUnderTheCursor)
{
    const std::string text = "select 1 a from dual;\nselect 2 b\n  from dual\n\nselect 3 c from dual";
    EXPECT_EQ(statementAt(text, 3).text, "select 1 a from dual");
    EXPECT_EQ(statementAt(text, text.find("from dual\n\n")).text, "select 2 b\n  from dual");
    EXPECT_EQ(statementAt(text, text.size()).text, "select 3 c from dual");
    // On the blank line between two statements: the one before.
    EXPECT_EQ(statementAt(text, text.find("\n\n") + 1).text, "select 2 b\n  from dual");
    // Right after a ";": the statement it ends.
    EXPECT_EQ(statementAt(text, text.find(';') + 1).text, "select 1 a from dual");
    // Blank lines inside a block do not cut it.
    const std::string block = "begin\n  null;\n\n  null;\nend;\n/\nselect 1 from dual";
    EXPECT_EQ(statementAt(block, block.find("null;\nend")).text, "begin\n  null;\n\n  null;\nend;");
    EXPECT_EQ(statementAt("", 0).text, "");
}
