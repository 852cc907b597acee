#pragma once
// Paints a chart picture (the display list of ChartPicture) with QPainter, and measures text for
// it with the chart's two fonts.

#include "app/tools/ChartPicture.h"

#include <QFont>
#include <QImage>

class QPainter;

namespace chartgui {

QFont LabelFont();   // italic Arial, 15 px
QFont TitleFont();   // bold italic Arial, 18 px

class QtTextMetrics : public chart::ITextMetrics {
public:
    chart::TextSize Measure(chart::Font font, std::string_view text) const override;
};

void Paint(QPainter& painter, const chart::Picture& picture);
// The picture in a new image of the given size; the placeholder when it has no curves.
QImage Render(const chart::Picture& picture, int width, int height);

} // namespace chartgui
