#pragma once
// The "Chart Properties" dialog without its widgets: its control ids, its texts and the checks its
// OK button makes, in order, each refusal naming the field that gets the focus.

#include "app/tools/ChartView.h"

#include <string>

namespace chartsettings {

inline constexpr int IDC_TITLE = 1000;
inline constexpr int IDC_VERTICAL_AXIS = 1001;
inline constexpr int IDC_MINIMUM = 1090;
inline constexpr int IDC_MAXIMUM = 1091;
inline constexpr int IDC_UPDATE_TIME = 1004;
inline constexpr int IDC_BUFFER_SIZE = 1252;

inline constexpr const char* kMinBelowMax = "The Minimum Value for Vertical Scale must be less than the Maximum Value.";
inline constexpr const char* kUpdateTooShort = "The Update Time must not be less than 100.";
inline constexpr const char* kBufferTooSmall = "The Buffer Size must not be less than 100.";
// Eight rings of this size are what the chart may take of the memory.
inline constexpr const char* kBufferTooLarge = "The Buffer Size must not be more than 1000000.";

// The fields as typed.
struct Fields {
    std::string chartTitle, verticalAxis, minimum, maximum, updateTime, bufferSize;
};
Fields FieldsOf(const chartview::CChartViewForm::Settings& s);

struct Check {
    bool ok = false;
    std::string message;  // the refusal (error icon)
    int focus = 0;        // the field that gets the focus
    chartview::CChartViewForm::Settings settings;
};
// OK: the numbers are read as signed integers (a number beyond 32 bits counts as the nearest
// one that fits); Minimum below Maximum, Update Time at least 100, Buffer Size 100 to 1000000.
Check CheckOk(const Fields& f);

} // namespace chartsettings
