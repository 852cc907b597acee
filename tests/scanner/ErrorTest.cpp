// Compiler messages and the bounded list.
#include <gtest/gtest.h>

#include "scanner/Error.h"
#include "scanner/Token.h"

TEST(CError, TableTextsExactly)
{
    EXPECT_EQ(CError(1201).message, "New Line in constant string.");
    EXPECT_EQ(CError(1205).message, "'\"' expected.");
    EXPECT_EQ(CError(1218).message, "'|' expected.");
    EXPECT_EQ(CError(1219).message, "Undefined symbol \"%s\".");
    EXPECT_EQ(CError(1249).message, "Invalid command at end of program. (Need END, RETURN, GOTO,...)");
    EXPECT_EQ(CError(1403).message, "Not a valid baud rate vale.");
    EXPECT_EQ(CError(1801).message, "Too many nested keywords. Cannot continue!");
    EXPECT_EQ(CError(1803).message, "Too many Warnings.");
}

TEST(CError, EveryTableCodeHasItsText)
{
    for (int code = 1201; code <= 1254; ++code) {
        const std::string text = CError::TextOf(code);
        if (code == 1224 || code == 1225)
            EXPECT_EQ(text, std::string("Unknown Error! (Code:").append(std::to_string(code)) + ")");
        else
            EXPECT_EQ(text.find("Unknown"), std::string::npos) << code;
    }
    for (int code : {1401, 1402, 1403, 1404, 1405, 1801, 1802, 1803})
        EXPECT_EQ(CError::TextOf(code).find("Unknown"), std::string::npos) << code;
}

TEST(CError, WarningRangeMapsToErrorText)
{
    EXPECT_EQ(CError(1619).message, "Undefined symbol \"%s\".");
    EXPECT_EQ(CError(1625).message, "Unknown Warning! (Code:1625)");
    EXPECT_EQ(CError(1600).message, "Unknown Error! (Code:1600)");
    EXPECT_EQ(CError(1450).message, "Unknown Warning! (Code:1450)");
    EXPECT_TRUE(CError::IsWarning(1401));
    EXPECT_TRUE(CError::IsWarning(1599));
    EXPECT_TRUE(CError::IsWarning(1619));
    EXPECT_FALSE(CError::IsWarning(1600));
    EXPECT_FALSE(CError::IsWarning(1801));
    EXPECT_FALSE(CError::IsWarning(1219));
}

TEST(CError, CallerTextAndPlaceAreKept)
{
    CError e(1219, 3, 7, "Undefined symbol \"foo\".", "inc.tqs");
    CError copy = e;
    EXPECT_EQ(copy.code, 1219);
    EXPECT_EQ(copy.message, "Undefined symbol \"foo\".");
    EXPECT_EQ(copy.line, 3);
    EXPECT_EQ(copy.column, 7);
    EXPECT_EQ(copy.fileName, "inc.tqs");
    auto item = e.NewInfoItem();
    EXPECT_EQ(item->code, 1219);
    EXPECT_EQ(item->line, 3);
    EXPECT_EQ(item->column, 7);
    EXPECT_EQ(item->file, "inc.tqs");
}

TEST(CErrorList, NothingBeforeInit)
{
    CErrorList list;
    EXPECT_FALSE(list.HasItemArray());
    list.Add(CError(1220));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CErrorList, InitKeepsLimitsForZeroAndNegative)
{
    CErrorList list;
    list.Init(10, 20);
    EXPECT_EQ(list.GetCapacity(), 32);
    list.Init(0, -5);
    EXPECT_EQ(list.MaxErrors, 10);
    EXPECT_EQ(list.MaxWarnings, 20);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CErrorList, FiftiethErrorThrowsAndStays)
{
    CErrorList list;
    list.Init(0, 0);
    for (int i = 0; i < 49; ++i)
        list.Add(CError(1220));
    try {
        list.Add(CError(1220));
        FAIL() << "no throw";
    } catch (const CError& e) {
        EXPECT_EQ(e.code, 1802);
        EXPECT_EQ(e.line, -1);
    }
    EXPECT_EQ(list.GetErrorCount(), 50);
    list.Add(CError(1802)); // the caller stores the limit message
    EXPECT_EQ(list.GetCount(), 51);
    EXPECT_LE(list.GetCount(), list.GetCapacity() - 1);
}

TEST(CErrorList, MaxWarningsOneThrowsAtFirst)
{
    CErrorList list;
    list.Init(5, 1);
    EXPECT_THROW(list.Add(CError(1401)), CError);
    EXPECT_EQ(list.GetWarningCount(), 1);
    EXPECT_EQ(list.Items().size(), 1u);
}

TEST(CErrorList, OnlyUndefinedSymbols)
{
    CErrorList list;
    list.Init(0, 0);
    EXPECT_TRUE(list.OnlyUndefinedSymbols());
    list.Add(CError(1219));
    list.Add(CError(1401)); // warnings never change it
    list.Add(CError(1619));
    EXPECT_TRUE(list.OnlyUndefinedSymbols());
    list.Add(CError(1220));
    EXPECT_FALSE(list.OnlyUndefinedSymbols());
    list.Init(0, 0);
    EXPECT_TRUE(list.OnlyUndefinedSymbols());
}

TEST(CErrorList, NeverGrowsPastItsRoom)
{
    CErrorList list;
    list.Init(3, 3);
    int thrown = 0;
    for (int i = 0; i < 100; ++i) {
        try {
            list.Add(CError(i % 2 ? 1401 : 1220));
        } catch (const CError&) {
            ++thrown;
        }
    }
    EXPECT_GT(thrown, 0);
    EXPECT_LE(static_cast<int>(list.Items().size()), list.GetCapacity() - 1);
}

TEST(CErrorList, AddAtATokenOfAnIncludedLine)
{
    const std::string include = "/p/inc.tqs";
    CLine line;
    line.lineNumber = 4;
    line.fileIndex = 0;
    line.fileName = &include;
    CToken t;
    t.line = &line;
    t.column = 9;
    CErrorList list;
    list.AddAt(1220, t); // no item array yet: nothing
    EXPECT_EQ(list.GetCount(), 0);
    list.Init(0, 0);
    list.AddAt(1220, t);
    list.AddAt(1219, t, "Undefined symbol \"x\".");
    line.fileName = nullptr;
    list.AddAt(1401, t);
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list[0].line, 4);
    EXPECT_EQ(list[0].column, 9);
    EXPECT_EQ(list[0].fileName, include);
    EXPECT_EQ(list[0].message, "Syntax error.");
    EXPECT_EQ(list[1].message, "Undefined symbol \"x\".");
    EXPECT_TRUE(list[2].fileName.empty());
    EXPECT_EQ(list.GetWarningCount(), 1);
}
