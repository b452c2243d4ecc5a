// The result grid: header row, running numbers, reset, and a large fill.
#include "resultgrid.h"

#include <gtest/gtest.h>

#include <chrono>

using shell::ResultGridModel;

TEST(ResultGrid, HeaderNumbersAndReset)
{
    ResultGridModel g;
    g.setHeaders({"Name", "Value"});
    EXPECT_EQ(g.cols(), 3);
    EXPECT_EQ(g.rows(), 2);                      // header + one blank row
    EXPECT_EQ(g.text(0, 1), "Name");
    EXPECT_EQ(g.headerData(2, Qt::Horizontal).toString(), "Value");
    EXPECT_EQ(g.dataRows(), 0);
    EXPECT_EQ(g.addRow({"a", "1"}), 1);          // the blank row is used first
    EXPECT_EQ(g.addRow({"b", "2", "ignored"}), 2);
    EXPECT_EQ(g.addRow({"c"}), 3);
    EXPECT_EQ(g.rows(), 4);
    EXPECT_EQ(g.text(1, 0), "1");
    EXPECT_EQ(g.text(3, 0), "3");
    EXPECT_EQ(g.text(2, 2), "2");
    EXPECT_EQ(g.text(3, 2), "");
    EXPECT_EQ(g.text(9, 9), "");
    g.setCurrentRow(3);
    EXPECT_EQ(g.currentRow(), 3);
    g.reset();
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(g.text(0, 1), "Name");             // the header stays
    EXPECT_EQ(g.text(1, 1), "");
    EXPECT_EQ(g.text(1, 0), "");                 // the blank row carries no number
    EXPECT_EQ(g.currentRow(), 1);
    g.setRows(5);
    EXPECT_EQ(g.rows(), 5);
    g.setText(4, 1, "x");
    EXPECT_EQ(g.text(4, 1), "x");
    g.setRows(2);
    EXPECT_EQ(g.rows(), 2);
    g.setCurrentRow(99);
    EXPECT_EQ(g.currentRow(), 1);
}

TEST(ResultGrid, UnnumberedGridKeepsItsColumns)
{
    ResultGridModel g;
    g.setHeaders({"Server", "RDBMS"}, false);
    EXPECT_EQ(g.cols(), 2);
    g.addRow({"DEMO", "ORACLE 8"});
    EXPECT_EQ(g.text(1, 0), "DEMO");
}

TEST(ResultGrid, HundredThousandRowsFillQuickly)
{
    ResultGridModel g;
    g.setHeaders({"SID", "User", "Status", "Machine"});
    std::vector<QStringList> rows;
    rows.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        rows.push_back({QString::number(i), "SCOTT", "ACTIVE", "host" + QString::number(i % 97)});
    const auto start = std::chrono::steady_clock::now();
    g.addRows(std::move(rows));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(g.rows(), 100001);
    EXPECT_EQ(g.text(100000, 0), "100000");
    EXPECT_EQ(g.text(100000, 1), "99999");
    EXPECT_LT(ms, 2000.0);
    RecordProperty("fill_ms", std::to_string(static_cast<int>(ms)));
    std::printf("100,000 rows filled in %.1f ms\n", ms);
}

// Rows handed over as one flat run of texts: any width, after the blank row or after
// rows already there, with the running numbers and texts written over them.
TEST(ResultGrid, FlatRowsKeepTheirPlacesAndNumbers)
{
    ResultGridModel g;
    g.setHeaders({"A", "B"});
    g.addRowCells({"a1", "b1", "a2", "b2", "a3"}, 2);   // a short last row is padded
    EXPECT_EQ(g.rows(), 4);
    EXPECT_EQ(g.dataRows(), 3);
    EXPECT_EQ(g.text(1, 1), "a1");
    EXPECT_EQ(g.text(2, 2), "b2");
    EXPECT_EQ(g.text(3, 1), "a3");
    EXPECT_EQ(g.text(3, 2), "");
    EXPECT_EQ(g.text(3, 0), "3");

    g.addRowCells({"x", "y", "z"}, 3);                   // wider: the extra text is dropped
    g.addRowCells({"p", "q"}, 1);                        // narrower: one row each
    g.addRow({"last", "row"});
    EXPECT_EQ(g.rows(), 8);
    EXPECT_EQ(g.text(4, 1), "x");
    EXPECT_EQ(g.text(4, 2), "y");
    EXPECT_EQ(g.text(5, 1), "p");
    EXPECT_EQ(g.text(6, 1), "q");
    EXPECT_EQ(g.text(6, 2), "");
    EXPECT_EQ(g.text(7, 0), "7");
    EXPECT_EQ(g.text(7, 2), "row");

    // Column 0 written by hand replaces the running number, an empty text included.
    g.setText(2, 0, "*");
    g.setText(3, 0, QString());
    EXPECT_EQ(g.text(2, 0), "*");
    EXPECT_EQ(g.text(3, 0), "");
    EXPECT_EQ(g.text(4, 0), "4");
    g.setText(0, 2, "Bee");
    EXPECT_EQ(g.headerData(2, Qt::Horizontal).toString(), "Bee");

    // Cut back and grown again: the new rows are blank, without numbers or old texts.
    g.setRows(3);
    g.setRows(5);
    EXPECT_EQ(g.text(3, 0), "");
    EXPECT_EQ(g.text(3, 1), "");
    EXPECT_EQ(g.text(2, 0), "*");
    EXPECT_EQ(g.addRow({"after"}), 5);
    EXPECT_EQ(g.text(5, 0), "5");

    // Down to the header alone, rows still go after it.
    g.setRows(1);
    EXPECT_EQ(g.addRow({"only"}), 1);
    EXPECT_EQ(g.text(1, 1), "only");
    EXPECT_EQ(g.rows(), 2);

    g.reset();
    g.addRowCells({}, 2);
    EXPECT_EQ(g.dataRows(), 0);
    EXPECT_EQ(g.text(1, 0), "");

    ResultGridModel plain;
    plain.setHeaders({"Server", "RDBMS"}, false);
    plain.addRowCells({"DEMO", "ORACLE 8", "PROD", "ORACLE 9"}, 2);
    EXPECT_EQ(plain.rows(), 3);
    EXPECT_EQ(plain.text(2, 0), "PROD");
    EXPECT_EQ(plain.text(2, 1), "ORACLE 9");

    ResultGridModel numbersOnly;
    numbersOnly.setHeaders({});
    EXPECT_EQ(numbersOnly.addRow({"ignored"}), 1);
    EXPECT_EQ(numbersOnly.addRow({}), 2);
    EXPECT_EQ(numbersOnly.text(2, 0), "2");
}
