#include "core/VQXException.h"
#include "tests/common/CodeOf.h"

#include <gtest/gtest.h>

TEST(VQXException, TableTextsAndPlaceholdersStayUnexpanded)
{
    EXPECT_EQ(CVQXException(1005).GetMessage(), "No response received!");
    EXPECT_EQ(CVQXException(1021).GetMessage(), "Motor(%d):Invalid Time Delta!");
    EXPECT_EQ(CVQXException(1046).GetMessage(), "Cannot communicate with any USB motor!");
    const std::string cal = CVQXException(1048).GetMessage();
    EXPECT_NE(cal.find("\"%s\""), std::string::npos);
    EXPECT_TRUE(cal.ends_with("Verify Calibration or ReCalibrate the motor."));
}

TEST(VQXException, CodesWithoutTextKeepTheirCode)
{
    for (int code : {1047, 999, 1049, 1100}) {
        CVQXException e(code);
        EXPECT_EQ(e.GetMessage(), "") << code;
        EXPECT_EQ(e.GetCode(), code);
    }
}

TEST(VQXException, GivenMessageIsKeptAndCopiesAreEqual)
{
    CVQXException e(1005, "Motor 3 is silent", MakeMotorDataWord(2, 3));
    CVQXException copy = e;
    EXPECT_EQ(copy.GetMessage(), "Motor 3 is silent");
    EXPECT_EQ(copy.GetCode(), 1005);
    EXPECT_EQ(DataWordPort(copy.GetData()), 2);
    EXPECT_EQ(DataWordAddress(copy.GetData()), 3);
}

TEST(VQXException, ErrorItemCarriesCodeAndDataWord)
{
    auto item = CVQXException(1048, "x", MakeMotorDataWord(1, 7)).CreateErrorItem();
    EXPECT_EQ(item->line, 0);
    EXPECT_EQ(item->code, 1048);
    EXPECT_EQ(item->column, static_cast<int32_t>((7u << 16) | 1u));
    EXPECT_TRUE(item->file.empty());
}

static int CommErrorCode(uint32_t flags)
{
    return CodeOf([&] { ThrowCommError(flags); });
}

TEST(VQXException, LineErrorFlagsMapInPriorityOrder)
{
    EXPECT_EQ(CommErrorCode(CE_RXOVER | CE_FRAME), 1012);
    EXPECT_EQ(CommErrorCode(CE_RXPARITY | CE_OVERRUN), 1011);
    EXPECT_EQ(CommErrorCode(CE_OVERRUN | CE_BREAK), 1009);
    EXPECT_EQ(CommErrorCode(CE_BREAK | CE_RXOVER), 1013);
    EXPECT_EQ(CommErrorCode(CE_RXOVER | CE_IOE), 1010);
    EXPECT_EQ(CommErrorCode(CE_IOE | CE_TXFULL), 1014);
    EXPECT_EQ(CommErrorCode(CE_TXFULL), 1015);
    EXPECT_EQ(CommErrorCode(CE_MODE), 1016);
}
