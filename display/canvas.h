#pragma once

// The drawing surface of the listing, the plot and the metafile export.
//
// It keeps the semantics of a Windows GDI device context, because the listing and plot geometry is
// defined in those terms (mapping modes, font heights in logical units, text alignment relative to a
// reference point), but in our own types. The base class owns all device-context state and the
// logical/device arithmetic; a backend (Qt painter on the view, printer or preview, image, EMF writer,
// the recording canvas of the tests) supplies text measurement and the three drawing primitives.
//
// Coordinates passed in and returned are logical units of the mapping mode in effect; the backend's
// primitives receive them in logical units too and convert with toDevice() or transform().

#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Edges as given: in a y-up mapping mode the top has the larger y.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

// MM_TEXT: one unit per device pixel, y down. MM_LOENGLISH: 0.01 inch, y up. MM_HIENGLISH: 0.001 inch,
// y up. MM_ISOTROPIC: window and viewport extents chosen by the caller, with the viewport extent
// shrunk on one axis so that a unit is equally long in x and y on the device.
enum class MapMode { Text, LoEnglish, HiEnglish, Isotropic };

// GM_COMPATIBLE / GM_ADVANCED. Kept as state for backends that write it out (the metafile); our
// drawing reads escapement the same way in both (see FontDesc::escapement).
enum class GraphicsMode { Compatible, Advanced };

enum class BackgroundMode { Transparent, Opaque };

// Text alignment flags, combined with |: one horizontal and one vertical choice. Values as GDI's, so
// a metafile writer can store them unchanged.
namespace TextAlign {
inline constexpr unsigned Left = 0;
inline constexpr unsigned Right = 2;
inline constexpr unsigned Center = 6;
inline constexpr unsigned Top = 0;
inline constexpr unsigned Bottom = 8;
inline constexpr unsigned Baseline = 24;
inline constexpr unsigned HorizontalMask = 6;
inline constexpr unsigned VerticalMask = 24;
}  // namespace TextAlign

// Where a text cell of width by height, with its baseline ascent below the top, starts relative to
// the reference point of an alignment: u to the right, v down the text.
struct CellOffset {
    double u = 0;
    double v = 0;
};
CellOffset alignedCellOffset(unsigned align, double width, double height, double ascent);

// GDI rounds transformed coordinates to the nearest unit, halves upward.
int roundHalfUp(double v);

// drawText format flags (DT_CENTER, DT_VCENTER, DT_SINGLELINE); text not centred starts at the
// rectangle's left and top.
namespace TextFormat {
inline constexpr unsigned Center = 0x1;
inline constexpr unsigned VCenter = 0x4;
inline constexpr unsigned SingleLine = 0x20;
}  // namespace TextFormat

// Pitch-and-family and output-precision values the listing and plot fonts use.
namespace FontBits {
inline constexpr std::uint8_t FixedPitch = 0x01;
inline constexpr std::uint8_t VariablePitch = 0x02;
inline constexpr std::uint8_t FamilyModern = 0x30;
inline constexpr std::uint8_t FamilySwiss = 0x20;
inline constexpr std::uint8_t OutTrueTypePrecision = 4;
}  // namespace FontBits

// A logical font, field for field the LOGFONT the drawing code fills in.
struct FontDesc {
    std::string faceName;
    // Logical units of the mapping mode in effect when text is drawn or measured. Negative: the
    // character (em) height; positive: the cell height (character height plus internal leading);
    // 0: the device's default size.
    int height = 0;
    int width = 0;       // average character width in logical units, 0 for the face's natural width
    int escapement = 0;  // tenths of a degree, counterclockwise as seen on the device
    int orientation = 0;
    int weight = 0;  // 400 normal, 700 bold, 0 default
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// Metrics of the selected font in logical units (vertical values as magnitudes, whatever the
// direction of y).
struct TextMetrics {
    int height = 0;  // cell height: ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = 0;
};

enum class PenStyle { Solid };

struct PenDesc {
    PenStyle style = PenStyle::Solid;
    int width = 0;  // logical units; 0 draws one device pixel wide
    Rgb colour = kBlack;
    friend bool operator==(const PenDesc&, const PenDesc&) = default;
};

// What GetDeviceCaps answers for the items the drawing uses.
enum class DeviceCap { HorzRes, VertRes, LogPixelsX, LogPixelsY, HorzSize, VertSize };

struct DeviceCaps {
    int horzRes = 0;     // pixels across the drawable area
    int vertRes = 0;     // pixels down
    int logPixelsX = 0;  // pixels per logical inch
    int logPixelsY = 0;
    int horzSize = 0;  // millimetres across
    int vertSize = 0;
};

// Device pixels per logical unit with sign, and the device position of logical (0, 0).
struct Transform {
    double scaleX = 1.0;
    double scaleY = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

class Canvas {
public:
    // A device without a positive pixel density cannot map the English modes; such capabilities
    // are replaced by 96 pixels per inch rather than dividing by zero later.
    Canvas(const DeviceCaps& caps, bool printer);
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // --- device -------------------------------------------------------------------------------
    const DeviceCaps& deviceCaps() const { return caps_; }
    int deviceCap(DeviceCap which) const;
    // A printer or print-preview surface.
    bool isPrinter() const { return printer_; }

    // --- mapping ------------------------------------------------------------------------------
    // Returns the previous mode. Changing the mode sets the extents the mode defines (for
    // MM_ISOTROPIC the 0.1 mm extents GDI starts it with) and leaves both origins alone, so a
    // viewport origin set before (the printed page's strip) survives.
    MapMode setMapMode(MapMode mode);
    MapMode mapMode() const { return mode_; }
    // Extents can be changed only in MM_ISOTROPIC and must not be zero; otherwise false and no
    // change. Set the window extent first: each call re-applies the isotropic adjustment.
    bool setWindowExt(Size ext);
    bool setViewportExt(Size ext);
    Point setWindowOrg(Point org);    // logical; returns the previous origin
    Point setViewportOrg(Point org);  // device; returns the previous origin
    Size windowExt() const { return windowExt_; }
    Size viewportExt() const { return viewportExt_; }
    Point windowOrg() const { return windowOrg_; }
    Point viewportOrg() const { return viewportOrg_; }

    Transform transform() const;
    // LPtoDP / DPtoLP: exact transform, rounded to the nearest unit (halves upward).
    Point toDevice(Point logical) const;
    Point toLogical(Point device) const;
    // Lengths (no origin, no sign), rounded to the nearest unit: how GDI turns a font height or a
    // pen width into pixels, and measured pixels back into logical units.
    int deviceWidth(int logicalWidth) const;
    int deviceHeight(int logicalHeight) const;
    int logicalWidth(int deviceWidth) const;
    int logicalHeight(int deviceHeight) const;
    // Font height in device pixels with its sign kept (negative: character height); at least one
    // pixel for a nonzero height.
    int deviceFontHeight(const FontDesc& font) const;
    // Pen width in device pixels, at least 1.
    int devicePenWidth(const PenDesc& pen) const;
    // True when logical y grows up the device (the English modes, MM_ISOTROPIC with the default
    // extents).
    bool yUp() const;
    // The turn of text as seen on the device, in tenths of a degree counterclockwise. Escapement is
    // an angle in logical space: where the logical y axis points up the device, it turns the other
    // way as seen, so that a graph drawn y up and the same graph drawn y down (the plot on the screen
    // and in the metafile) put their rotated titles alike.
    int seenEscapement(int escapement) const { return yUp() ? -escapement : escapement; }

    // --- state --------------------------------------------------------------------------------
    FontDesc selectFont(const FontDesc& font);  // returns the previously selected font
    const FontDesc& font() const { return font_; }
    PenDesc selectPen(const PenDesc& pen);  // returns the previously selected pen
    const PenDesc& pen() const { return pen_; }
    unsigned setTextAlign(unsigned align);  // returns the previous flags
    unsigned textAlign() const { return align_; }
    Rgb setTextColor(Rgb colour);  // returns the previous colour
    Rgb textColor() const { return textColour_; }
    // Opaque (the default) fills the text's cell with the background colour, white.
    BackgroundMode setBackgroundMode(BackgroundMode mode);
    BackgroundMode backgroundMode() const { return bkMode_; }
    Rgb backgroundColor() const { return kWhite; }
    GraphicsMode setGraphicsMode(GraphicsMode mode);
    GraphicsMode graphicsMode() const { return graphicsMode_; }
    Point currentPosition() const { return position_; }

    // --- measuring ----------------------------------------------------------------------------
    // GetTextMetrics and GetTextExtentPoint of the selected font, in logical units. The extent's
    // height is the font's cell height.
    virtual TextMetrics textMetrics() const = 0;
    virtual Size textExtent(std::string_view text) const = 0;

    // --- drawing ------------------------------------------------------------------------------
    // TextOut: the reference point (x, y) is placed as the text alignment says; font, colour and
    // background mode as selected.
    void textOut(int x, int y, std::string_view text);
    // DrawText on one line: horizontally centred with TextFormat::Center (x = (left + right -
    // width) / 2), vertically centred with VCenter, else at the top. Ignores the text alignment
    // flags (drawn left/top) and returns the text's height.
    int drawText(std::string_view text, const Rect& rect, unsigned format);
    Point moveTo(int x, int y);  // returns the previous position
    void lineTo(int x, int y);   // draws with the pen and moves the position to (x, y)
    // Outline with the pen, interior filled with the default white brush.
    void rectangle(int left, int top, int right, int bottom);

protected:
    virtual void drawTextAt(Point reference, std::string_view text, unsigned align) = 0;
    virtual void drawLine(Point from, Point to) = 0;
    virtual void drawRectangle(const Rect& rect) = 0;

private:
    void applyIsotropic();

    DeviceCaps caps_;
    bool printer_;
    MapMode mode_ = MapMode::Text;
    GraphicsMode graphicsMode_ = GraphicsMode::Compatible;
    Size windowExt_{1, 1};
    Size viewportExt_{1, 1};
    Point windowOrg_;
    Point viewportOrg_;
    FontDesc font_;
    PenDesc pen_;
    unsigned align_ = TextAlign::Left | TextAlign::Top;
    Rgb textColour_ = kBlack;
    BackgroundMode bkMode_ = BackgroundMode::Opaque;
    Point position_;
};

// The device's stock font, selected into every fresh canvas.
FontDesc systemFont();

}  // namespace mv
