#include "shell/browserlayout.h"

#include <cmath>

namespace kuokuo {

namespace {
constexpr qreal TwipsPerInch = 1440.0;
}

BrowserLayout formResizeLayout(int innerWidth, int innerHeight, int picAddressTop,
                               int picAddressHeight)
{
    using namespace BrowserTwips;
    const BrowserLayout fallback{std::nullopt, ClientWidth, ClientHeight};

    const int comboWidth = innerWidth - Margin;
    if (comboWidth < 0)
        return fallback;
    BrowserLayout layout = fallback;
    layout.comboWidth = comboWidth;

    const int browserWidth = innerWidth - Margin;
    if (browserWidth < 0)
        return layout;
    const int browserHeight = innerHeight - (picAddressTop + picAddressHeight) - Margin;
    if (browserHeight < 0)
        return layout;
    layout.browserWidth = browserWidth;
    layout.browserHeight = browserHeight;
    return layout;
}

int twipsToPixels(int twips, qreal dpi)
{
    return static_cast<int>(std::lround(twips * dpi / TwipsPerInch));
}

int pixelsToTwips(int pixels, qreal dpi)
{
    return static_cast<int>(std::lround(pixels * TwipsPerInch / dpi));
}

} // namespace kuokuo
