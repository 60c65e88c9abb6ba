// make_artwork: draws Orveline's two built-in splash pictures.
//
//   make_artwork OUTDIR [--preview DIR]
//
// Writes OUTDIR/tal800.png (195 x 145) and OUTDIR/tal1280.png (317 x 236)
// through the branding tool's PNG writer, grey with straight (not
// premultiplied) alpha: the files the programs hold, and a vendor's
// starting point, which the tool, given them, writes again byte for byte.
// Also the same pictures as bitmaps in the form of artwork.h (tal800.bmp,
// tal1280.bmp), which the preview and the tests read. With --preview it also writes PNGs of each
// picture over a light, a dark and a busy background, so the artwork can be judged by eye.
//
// Both sizes are rendered from the same 195 x 145 design-space layout at their
// own scale rather than resampled from each other, so every edge stays crisp.
// Shapes are signed distance fields: coverage of a pixel is its distance to an
// edge, in pixels, clamped to a one-pixel ramp. The output is a pure function
// of the size, so repeated runs give identical files.

#include "artwork.h"
#include "files.h"
#include "png_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kDesignW = 195.0;
constexpr double kDesignH = 145.0;
constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x, y;
};
struct Seg {
    Vec a, b;
};

// Straight (non-premultiplied) grey + alpha, top row first.
struct Picture {
    int w = 0, h = 0;
    std::vector<std::uint8_t> grey, alpha;
};

// Premultiplied grey + alpha while layers are stacked on one pixel.
struct Paint {
    double c = 0.0, a = 0.0;
};

// One capital: its width and stroke centrelines, cap height 1, y up.
struct Glyph {
    double width;
    std::vector<Seg> segs;
};

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// Coverage of a pixel whose centre lies sd pixels outside an edge.
double coverage(double sdPixels)
{
    return clamp01(0.5 - sdPixels);
}

double segDistance(Vec p, const Seg& s)
{
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / len2 : 0.0;
    t = clamp01(t);
    return std::hypot(p.x - (s.a.x + t * dx), p.y - (s.a.y + t * dy));
}

double roundRectSdf(Vec p, Vec centre, Vec half, double radius)
{
    const double qx = std::abs(p.x - centre.x) - half.x + radius;
    const double qy = std::abs(p.y - centre.y) - half.y + radius;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

void over(Paint& p, double grey, double cov)
{
    p.c = grey * cov + p.c * (1.0 - cov);
    p.a = cov + p.a * (1.0 - cov);
}

// Glyph outlines use y up with the cap height as the unit; arcs become chords
// fine enough that the polygon error stays far below a pixel at either size.
void addLine(Glyph& g, double x0, double y0, double x1, double y1)
{
    g.segs.push_back({{x0, y0}, {x1, y1}});
}

void addArc(Glyph& g, double cx, double cy, double r, double deg0, double deg1)
{
    const int steps = std::max(4, static_cast<int>(std::abs(deg1 - deg0) / 3.0));
    Vec prev{cx + r * std::cos(deg0 * kPi / 180.0), cy + r * std::sin(deg0 * kPi / 180.0)};
    for (int i = 1; i <= steps; ++i) {
        const double a = (deg0 + (deg1 - deg0) * i / steps) * kPi / 180.0;
        const Vec next{cx + r * std::cos(a), cy + r * std::sin(a)};
        g.segs.push_back({prev, next});
        prev = next;
    }
}

Glyph makeGlyph(char ch)
{
    Glyph g{0.0, {}};
    switch (ch) {
    case 'O':
        g.width = 1.0;
        addArc(g, 0.5, 0.5, 0.51, 0.0, 360.0);
        break;
    case 'R':
        g.width = 0.62;
        addLine(g, 0.0, 0.0, 0.0, 1.0);
        addLine(g, 0.0, 1.0, 0.33, 1.0);
        addArc(g, 0.33, 0.75, 0.25, 90.0, -90.0);
        addLine(g, 0.33, 0.5, 0.0, 0.5);
        addLine(g, 0.30, 0.5, 0.62, 0.0);
        break;
    case 'V':
        g.width = 0.72;
        addLine(g, 0.0, 1.0, 0.36, 0.0);
        addLine(g, 0.36, 0.0, 0.72, 1.0);
        break;
    case 'E':
        g.width = 0.54;
        addLine(g, 0.0, 0.0, 0.0, 1.0);
        addLine(g, 0.0, 1.0, 0.54, 1.0);
        addLine(g, 0.0, 0.5, 0.46, 0.5);
        addLine(g, 0.0, 0.0, 0.54, 0.0);
        break;
    case 'L':
        g.width = 0.50;
        addLine(g, 0.0, 1.0, 0.0, 0.0);
        addLine(g, 0.0, 0.0, 0.50, 0.0);
        break;
    case 'I':
        g.width = 0.0;
        addLine(g, 0.0, 0.0, 0.0, 1.0);
        break;
    case 'N':
        g.width = 0.70;
        addLine(g, 0.0, 0.0, 0.0, 1.0);
        addLine(g, 0.0, 1.0, 0.70, 0.0);
        addLine(g, 0.70, 0.0, 0.70, 1.0);
        break;
    default:
        break;
    }
    return g;
}

// Lays the word out centred on centreX with the given baseline, converting to
// design space (y down).
std::vector<Seg> layoutWord(const std::string& word, double centreX, double baseline, double cap,
                            double tracking)
{
    std::vector<Glyph> glyphs;
    double total = 0.0;
    for (char ch : word) {
        glyphs.push_back(makeGlyph(ch));
        total += glyphs.back().width;
    }
    total += tracking * static_cast<double>(word.size() - 1);
    std::vector<Seg> out;
    double pen = -total / 2.0;
    for (const Glyph& g : glyphs) {
        for (const Seg& s : g.segs)
            out.push_back({{centreX + (pen + s.a.x) * cap, baseline - s.a.y * cap},
                           {centreX + (pen + s.b.x) * cap, baseline - s.b.y * cap}});
        pen += g.width + tracking;
    }
    return out;
}

// The layout, in design units.
constexpr Vec kPanelCentre{97.5, 69.0};
constexpr Vec kPanelHalf{85.5, 61.0};
constexpr double kPanelRadius = 12.0;
constexpr double kShadowDrop = 3.0;   // light comes from above
constexpr double kShadowReach = 7.0;  // shadow is fully gone this far out
constexpr Vec kLogoCentre{97.5, 47.0};
constexpr double kRingRadius = 17.0, kRingHalfWidth = 1.5;
constexpr double kCoreRadius = 6.8;
constexpr double kMoonRadius = 3.6, kMoonGap = 2.4, kMoonAngleDeg = -40.0;
constexpr double kCap = 15.0, kStrokeHalf = 1.05, kTracking = 0.46, kBaseline = 95.0;
constexpr double kAccentY = 106.0, kAccentHalfLen = 22.0, kAccentHalfWidth = 0.5;

Picture render(int w, int h)
{
    Picture pic{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h),
                std::vector<std::uint8_t>(static_cast<size_t>(w) * h)};
    const double s = std::min(w / kDesignW, h / kDesignH);  // pixels per design unit
    const double ox = (w - kDesignW * s) / 2.0, oy = (h - kDesignH * s) / 2.0;
    const std::vector<Seg> word = layoutWord("ORVELINE", 97.5, kBaseline, kCap, kTracking);
    const double moonA = kMoonAngleDeg * kPi / 180.0;
    const Vec moon{kLogoCentre.x + kRingRadius * std::cos(moonA),
                   kLogoCentre.y + kRingRadius * std::sin(moonA)};
    const double top = kPanelCentre.y - kPanelHalf.y, bottom = kPanelCentre.y + kPanelHalf.y;

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Vec p{(x + 0.5 - ox) / s, (y + 0.5 - oy) / s};
            Paint paint;

            // Soft drop shadow: black, fading smoothly to nothing within kShadowReach.
            const double dShadow = roundRectSdf(p, {kPanelCentre.x, kPanelCentre.y + kShadowDrop},
                                                kPanelHalf, kPanelRadius);
            const double fade = 1.0 - smoothstep(-4.0, kShadowReach, dShadow);
            over(paint, 0.0, 0.45 * fade * fade);

            // Panel: dark vertical gradient with a faint light rim, brightest along the top.
            const double dPanel = roundRectSdf(p, kPanelCentre, kPanelHalf, kPanelRadius) * s;
            const double v = clamp01((p.y - top) / (bottom - top));
            const double rimPx = std::max(1.0, 0.9 * s);
            const double rim = std::exp(-std::pow((dPanel + rimPx) / (0.6 * rimPx), 2.0));
            const double panelGrey = 58.0 - 30.0 * v + rim * (48.0 - 30.0 * v);
            over(paint, panelGrey, coverage(dPanel));

            // Logo: a planet core with a ring orbit, broken where a moon sits on it.
            const double dCentre = std::hypot(p.x - kLogoCentre.x, p.y - kLogoCentre.y);
            const double dMoon = std::hypot(p.x - moon.x, p.y - moon.y);
            const double dRing = std::max(std::abs(dCentre - kRingRadius) - kRingHalfWidth,
                                          kMoonRadius + kMoonGap - dMoon);
            over(paint, 196.0, coverage(dRing * s));
            const double coreShade =
                clamp01((p.y - (kLogoCentre.y - kCoreRadius)) / (2.0 * kCoreRadius));
            over(paint, 236.0 - 80.0 * coreShade, coverage((dCentre - kCoreRadius) * s));
            over(paint, 252.0, coverage((dMoon - kMoonRadius) * s));

            // Word mark, rounded strokes of constant width.
            double dWord = 1e9;
            for (const Seg& sg : word)
                dWord = std::min(dWord, segDistance(p, sg));
            over(paint, 236.0, coverage((dWord - kStrokeHalf) * s));

            // Thin accent rule that fades out towards both ends.
            const double along = (p.x - kLogoCentre.x) / kAccentHalfLen;
            if (std::abs(along) < 1.0) {
                const double dRule = (std::abs(p.y - kAccentY) - kAccentHalfWidth) * s;
                over(paint, 150.0, coverage(dRule) * (1.0 - along * along));
            }

            const size_t i = static_cast<size_t>(y) * w + x;
            const long a = std::lround(clamp01(paint.a) * 255.0);
            pic.alpha[i] = static_cast<std::uint8_t>(a);
            pic.grey[i] = a == 0 ? 0
                                 : static_cast<std::uint8_t>(
                                       std::clamp(std::lround(paint.c / paint.a), 0L, 255L));
        }
    }
    return pic;
}

// Light, dark and a busy multi-coloured pattern, like the desktops it will land on.
std::array<double, 3> background(int which, int x, int y)
{
    if (which == 0)
        return {232, 234, 228};
    if (which == 1)
        return {22, 24, 30};
    const double t = (x + y) * 0.045;
    const double check = ((x / 16 + y / 16) % 2) ? 40.0 : 0.0;
    return {128 + 110 * std::sin(t) - check * 0.5, 128 + 110 * std::sin(t + 2.1) - check * 0.3,
            128 + 110 * std::sin(t + 4.2 + y * 0.02) + check * 0.5};
}

// The grey picture in colour, the form the shared bitmap writer takes.
RgbaImage toRgba(const Picture& pic)
{
    RgbaImage image{pic.w, pic.h,
                    std::vector<std::uint8_t>(static_cast<size_t>(pic.w) * pic.h * 4)};
    for (size_t i = 0; i < pic.grey.size(); ++i) {
        std::uint8_t* p = &image.rgba[i * 4];
        p[0] = p[1] = p[2] = pic.grey[i];
        p[3] = pic.alpha[i];
    }
    return image;
}

// The three backgrounds side by side, each cell enlarged `zoom` times.
RgbaImage preview(const Picture& pic, int zoom)
{
    const int cw = pic.w * zoom, ch = pic.h * zoom, w = cw * 3;
    RgbaImage out{w, ch, std::vector<std::uint8_t>(static_cast<size_t>(w) * ch * 4, 255)};
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < w; ++x) {
            const int cell = x / cw, px = (x % cw) / zoom, py = y / zoom;
            const size_t i = static_cast<size_t>(py) * pic.w + px;
            const double a = pic.alpha[i] / 255.0;
            const std::array<double, 3> bg = background(cell, x % cw, y);
            for (int k = 0; k < 3; ++k) {
                const double v = pic.grey[i] * a + std::clamp(bg[k], 0.0, 255.0) * (1.0 - a);
                out.at(x, y)[k] = static_cast<std::uint8_t>(std::lround(v));
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool withPreviews = argc == 4 && std::string(argv[2]) == "--preview";
    if (argc != 2 && !withPreviews) {
        std::fprintf(stderr, "usage: make_artwork OUTDIR [--preview DIR]\n");
        return 2;
    }
    struct Output {
        const ArtworkSlot& slot;
        int zoom;
    };
    for (const Output& o : {Output{kSmallArtwork, 3}, Output{kLargeArtwork, 2}}) {
        const Picture pic = render(o.slot.width, o.slot.height);
        const std::string bmp = std::string(argv[1]) + "/" + o.slot.name + ".bmp";
        const std::string png =
            withPreviews ? std::string(argv[3]) + "/" + o.slot.name + "_preview.png" : "";
        std::string error;
        std::vector<std::uint8_t> previewPng, picturePng;
        if (!ReplaceFile(bmp, EncodeArtworkBitmap(toRgba(pic)), &error) ||
            !EncodePng(toRgba(pic), &picturePng, &error) ||
            !ReplaceFile(std::string(argv[1]) + "/" + o.slot.name + ".png", picturePng, &error) ||
            (withPreviews && !(EncodePng(preview(pic, o.zoom), &previewPng, &error) &&
                               ReplaceFile(png, previewPng, &error)))) {
            std::fprintf(stderr, "make_artwork: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
