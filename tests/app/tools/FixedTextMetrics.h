#pragma once
// Fixed-pitch text for chart pictures: labels 7 px a character and 15 high, titles 9 px and 18.

#include "app/tools/ChartPicture.h"

class FixedTextMetrics : public chart::ITextMetrics {
public:
    chart::TextSize Measure(chart::Font font, std::string_view text) const override
    {
        return font == chart::Font::Label ? chart::TextSize{7 * static_cast<int>(text.size()), 15}
                                          : chart::TextSize{9 * static_cast<int>(text.size()), 18};
    }
};
