#include "app/framework/gui/Text8.h"

namespace fw {
namespace {

// 0x80..0x9F; the undefined bytes map to the control character of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString ToQt(std::string_view bytes)
{
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* d = out.data();
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c < 0xA0) ? QChar(kHigh[c - 0x80]) : QChar(c);
    }
    return out;
}

std::string FromQt(const QString& text)
{
    std::string out(static_cast<size_t>(text.size()), '?');
    const QChar* s = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out[static_cast<size_t>(i)] = static_cast<char>(u);
            continue;
        }
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == u) {
                out[static_cast<size_t>(i)] = static_cast<char>(0x80 + k);
                break;
            }
    }
    return out;
}

} // namespace fw
