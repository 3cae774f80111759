// The preview's parts, shared by its files: the layout constants, the
// double-precision vector of the projection arithmetic, colours, the image
// and the rasteriser that draws one panel. Used only inside the preview.
#pragma once

#include "pofinfo/preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pofinfo::preview {

using pofread::Model;
using pofread::Subobject;

constexpr int PANEL = 320;      // side of one view, in pixels
constexpr int MARGIN = 8;       // between panels and around the picture
constexpr int TITLE_H = 30;     // the picture's title bar
constexpr int CAPTION_H = 16;   // each panel's caption strip
constexpr int SS = 2;           // supersampling factor of the views
constexpr int LEGEND_ROW = 14;  // one legend line
constexpr int LEGEND_COLUMNS = 4;
constexpr int COLUMNS = 3;

// The projection works in doubles; file points come in as kf::vec3.
struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double length(V3 a) { return std::sqrt(dot(a, a)); }
inline V3 unit(V3 a) {
    const double l = length(a);
    return l > 0 && std::isfinite(l) ? a * (1.0 / l) : V3{};
}
inline bool finite(V3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }
inline V3 v3(kf::vec3 v) { return {v.x, v.y, v.z}; }

struct Rgb {
    double r = 0, g = 0, b = 0; // 0 to 1
};
inline Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
inline Rgb bytes_rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// Colours of textured polygons, one per texture number, chosen to stay
// apart from each other and from the background.
inline const Rgb texture_palette[] = {
    bytes_rgb(230, 159, 0),   bytes_rgb(86, 180, 233),  bytes_rgb(0, 158, 115),  bytes_rgb(240, 228, 66),
    bytes_rgb(213, 94, 0),    bytes_rgb(204, 121, 167), bytes_rgb(160, 160, 170), bytes_rgb(148, 103, 189),
    bytes_rgb(140, 86, 75),   bytes_rgb(188, 189, 34),  bytes_rgb(23, 190, 207), bytes_rgb(255, 152, 150),
};
constexpr size_t PALETTE_SIZE = sizeof texture_palette / sizeof texture_palette[0];

Rgb texture_colour(int32_t t);

inline const Rgb background_top = bytes_rgb(58, 64, 76);
inline const Rgb background_bottom = bytes_rgb(28, 31, 38);
inline const Rgb text_colour = bytes_rgb(230, 232, 236);
inline const Rgb dim_text = bytes_rgb(150, 156, 166);

struct Triangle {
    V3 p[3];
    V3 normal;
    Rgb colour;
};

struct Image {
    int width, height;
    std::vector<Rgb> pixels;
    Image(int w, int h, Rgb fill) : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    void put(int x, int y, Rgb c) {
        if (inside(x, y)) at(x, y) = c;
    }
    void fill(int x0, int y0, int w, int h, Rgb c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) put(x, y, c);
    }
};

void draw_text(Image& img, int x, int y, const std::string& text, Rgb colour, int scale = 1);

// Cuts a text to at most `pixels` wide, marking the cut with "..".
std::string fit_text(std::string text, int pixels);

// A camera looking along `dir`: the model's axes are x right, y up and z
// forward (a left-handed frame), so the screen's right is up x dir.
struct View {
    const char* caption;
    V3 dir, right, up;
};

View make_view(const char* caption, V3 dir, V3 up_hint);

// The sphere that every view is fitted to, so all panels share one scale.
struct Frame {
    V3 center;
    double radius = 1;
};

Frame frame_of(const std::vector<V3>& points);

// One panel being drawn, at SS times the final resolution.
class Canvas {
public:
    Canvas(const View& view, const Frame& frame)
        : view_(view), frame_(frame), size_(PANEL * SS), image_(size_, size_, {}),
          depth_(static_cast<size_t>(size_) * static_cast<size_t>(size_), std::numeric_limits<double>::infinity()),
          covered_(depth_.size(), false) {
        scale_ = (size_ * 0.5 - 14.0 * SS) / frame.radius;
        for (int y = 0; y < size_; ++y) {
            const Rgb c = mix(background_top, background_bottom, y / double(size_));
            for (int x = 0; x < size_; ++x) image_.at(x, y) = c;
        }
    }

    // Screen position (x, y) and depth of a model point.
    V3 project(V3 p) const {
        const V3 q = p - frame_.center;
        return {size_ * 0.5 + dot(q, view_.right) * scale_, size_ * 0.5 - dot(q, view_.up) * scale_, dot(q, view_.dir)};
    }

    void triangle(const Triangle& t, double light_weight = 1.0, Rgb tint = {}, double tint_amount = 0) {
        const V3 a = project(t.p[0]), b = project(t.p[1]), c = project(t.p[2]);
        const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (!(std::fabs(area) > 1e-12)) return;
        // Lit from above, left and in front of the viewer, on both sides.
        V3 n = t.normal;
        if (dot(n, view_.dir) > 0) n = n * -1.0;
        const V3 light = unit(view_.right * -0.35 + view_.up * 0.5 - view_.dir * 0.8);
        const double lambert = std::max(0.0, dot(n, light));
        const double shade = 0.3 + 0.7 * lambert * light_weight;
        Rgb colour = mix(t.colour, tint, tint_amount);
        colour = {colour.r * shade, colour.g * shade, colour.b * shade};

        const int x0 = pixel(std::floor(std::min({a.x, b.x, c.x})));
        const int x1 = pixel(std::ceil(std::max({a.x, b.x, c.x})));
        const int y0 = pixel(std::floor(std::min({a.y, b.y, c.y})));
        const int y1 = pixel(std::ceil(std::max({a.y, b.y, c.y})));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                double w0 = (b.x - px) * (c.y - py) - (b.y - py) * (c.x - px);
                double w1 = (c.x - px) * (a.y - py) - (c.y - py) * (a.x - px);
                double w2 = (a.x - px) * (b.y - py) - (a.y - py) * (b.x - px);
                if (area < 0) {
                    w0 = -w0;
                    w1 = -w1;
                    w2 = -w2;
                }
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                const double z = (w0 * a.z + w1 * b.z + w2 * c.z) / std::fabs(area);
                const size_t i = static_cast<size_t>(y) * static_cast<size_t>(size_) + static_cast<size_t>(x);
                if (z >= depth_[i]) continue;
                depth_[i] = z;
                covered_[i] = true;
                image_.at(x, y) = colour;
            }
        }
    }

    // Darkens the pixels on the border of the drawn shape, so the silhouette
    // stands out against the background.
    void outline() {
        std::vector<bool> edge(covered_.size(), false);
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x) {
                if (!covered(x, y)) continue;
                if (!covered(x - 1, y) || !covered(x + 1, y) || !covered(x, y - 1) || !covered(x, y + 1))
                    edge[static_cast<size_t>(y) * static_cast<size_t>(size_) + static_cast<size_t>(x)] = true;
            }
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x)
                if (edge[static_cast<size_t>(y) * static_cast<size_t>(size_) + static_cast<size_t>(x)])
                    image_.at(x, y) = mix(image_.at(x, y), {}, 0.55);
    }

    // A line from screen point a to b, `width` pixels wide, without depth test.
    void line(V3 a, V3 b, Rgb colour, double width = SS) {
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (!std::isfinite(len)) return;
        const int steps = std::max(1, static_cast<int>(std::min(len, 4.0 * size_)));
        const int r = static_cast<int>(width / 2);
        for (int i = 0; i <= steps; ++i) {
            const double t = i / double(steps);
            const double fx = a.x + (b.x - a.x) * t, fy = a.y + (b.y - a.y) * t;
            if (!(fx > -size_ && fx < 2.0 * size_ && fy > -size_ && fy < 2.0 * size_)) continue;
            const int x = static_cast<int>(fx), y = static_cast<int>(fy);
            for (int dy = -r; dy < std::max(1, r); ++dy)
                for (int dx = -r; dx < std::max(1, r); ++dx) image_.put(x + dx, y + dy, colour);
        }
    }

    // A small axis cross in the panel's lower left corner: x red, y green, z blue.
    void axes() {
        const V3 origin{34.0 * SS, size_ - 34.0 * SS, 0};
        const struct {
            V3 axis;
            Rgb colour;
            const char* label;
        } items[] = {{{1, 0, 0}, bytes_rgb(235, 80, 70), "x"},
                     {{0, 1, 0}, bytes_rgb(90, 210, 90), "y"},
                     {{0, 0, 1}, bytes_rgb(90, 150, 255), "z"}};
        for (const auto& item : items) {
            const double sx = dot(item.axis, view_.right), sy = dot(item.axis, view_.up);
            if (std::hypot(sx, sy) < 0.05) {
                // Pointing at or away from the viewer: a dot or a ring.
                const bool toward = dot(item.axis, view_.dir) < 0;
                for (int dy = -3 * SS; dy <= 3 * SS; ++dy)
                    for (int dx = -3 * SS; dx <= 3 * SS; ++dx) {
                        const double d = std::hypot(dx, dy);
                        if (toward ? d <= 2.5 * SS : (d <= 3 * SS && d >= 2 * SS))
                            image_.put(static_cast<int>(origin.x) + dx, static_cast<int>(origin.y) + dy, item.colour);
                    }
                labels_.push_back({origin.x / SS + 6, origin.y / SS - 12, item.label, item.colour});
                continue;
            }
            const V3 tip{origin.x + sx * 22 * SS, origin.y - sy * 22 * SS, 0};
            line(origin, tip, item.colour, 1.5 * SS);
            labels_.push_back({tip.x / SS + sx * 6 - 2, tip.y / SS - sy * 6 - 3, item.label, item.colour});
        }
    }

    // Averages each SS x SS block into the final picture at (x0, y0).
    void blit(Image& out, int x0, int y0) const {
        for (int y = 0; y < PANEL; ++y)
            for (int x = 0; x < PANEL; ++x) {
                Rgb sum{};
                for (int dy = 0; dy < SS; ++dy)
                    for (int dx = 0; dx < SS; ++dx) {
                        const Rgb c = image_.pixels[static_cast<size_t>(y * SS + dy) * static_cast<size_t>(size_) +
                                                    static_cast<size_t>(x * SS + dx)];
                        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    }
                out.put(x0 + x, y0 + y, {sum.r / (SS * SS), sum.g / (SS * SS), sum.b / (SS * SS)});
            }
        for (const Label& l : labels_) draw_text(out, x0 + static_cast<int>(l.x), y0 + static_cast<int>(l.y), l.text, l.colour);
    }

    const View& view() const { return view_; }

private:
    struct Label {
        double x, y;
        std::string text;
        Rgb colour;
    };

    // A screen coordinate clamped into the canvas before it becomes an int.
    int pixel(double v) const { return static_cast<int>(std::clamp(v, 0.0, size_ - 1.0)); }

    bool covered(int x, int y) const {
        return x >= 0 && y >= 0 && x < size_ && y < size_ &&
               covered_[static_cast<size_t>(y) * static_cast<size_t>(size_) + static_cast<size_t>(x)];
    }

    View view_;
    Frame frame_;
    int size_;
    double scale_ = 1;
    Image image_;
    std::vector<double> depth_;
    std::vector<bool> covered_;
    std::vector<Label> labels_;
};

// The subobjects along the parent chain of subobject i, i first. The walk
// stops where the chain leaves the file's subobjects or comes back to a
// subobject already on it, so a looping chain is never followed round.
std::vector<size_t> parent_chain(const pofread::Model& m, size_t i);
// Detail level 0 and every subobject whose parent chain reaches it.
std::vector<bool> detail0_parts(const pofread::Model& m);
// The polygons of detail level 0 and its children in model space, fanned
// into triangles with their colours.
std::vector<Triangle> model_triangles(const pofread::Model& m);

// Height of the legend under the panels.
int legend_height(const pofread::Model& m);
// Draws the legend of colours under the panels.
void draw_legend(Image& img, const pofread::Model& m);

// The picture as rows of 8-bit red, green and blue.
std::vector<uint8_t> rgb_bytes(const Image& img);

} // namespace pofinfo::preview
