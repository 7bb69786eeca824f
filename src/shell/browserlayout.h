#pragma once

#include <QtGlobal>

#include <optional>

namespace kuokuo {

// Places of frmBrowser's controls, in twips (1/1440 inch), as the window was designed.
namespace BrowserTwips {
constexpr int ClientWidth = 10770; // the window's initial client area, also the fallback size
constexpr int ClientHeight = 8835;
constexpr int ToolBarHeight = 675;
constexpr int PicAddressTop = 675;
constexpr int PicAddressHeight = 675;
constexpr int LabelLeft = 45;
constexpr int LabelTop = 60;
constexpr int LabelWidth = 3075;
constexpr int LabelHeight = 255;
constexpr int ComboLeft = 45; // moved by the start-up to ComboStartLeft
constexpr int ComboTop = 300;
constexpr int ComboWidth = 3795;
constexpr int ComboHeight = 315;
constexpr int ComboStartLeft = 50;
constexpr int BrowserLeft = 45;
constexpr int BrowserTop = 1320;
constexpr int BrowserWidth = 8640;
constexpr int BrowserHeight = 5400;
constexpr int Margin = 100;
} // namespace BrowserTwips

// What the resize rule sets. A step that fails (a size that comes out negative) leaves its
// control and skips the steps after it; the browser then gets the fallback size.
struct BrowserLayout
{
    std::optional<int> comboWidth; // nothing: the address box keeps its width
    int browserWidth = 0;
    int browserHeight = 0;
};

// The resize rule for a client area of `innerWidth` x `innerHeight` twips.
BrowserLayout formResizeLayout(int innerWidth, int innerHeight,
                               int picAddressTop = BrowserTwips::PicAddressTop,
                               int picAddressHeight = BrowserTwips::PicAddressHeight);

// Twips and pixels at a screen resolution of `dpi` dots per inch (15 twips a pixel at 96 dpi).
int twipsToPixels(int twips, qreal dpi);
int pixelsToTwips(int pixels, qreal dpi);

} // namespace kuokuo
