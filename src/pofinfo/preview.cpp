// The preview picture: a small software rasteriser that draws the model's
// detail level 0 from four sides, flat-shaded with a depth buffer, plus the
// shield as a wireframe, and writes the result as a PNG file.
#include "pofinfo/font.h"
#include "pofinfo/report.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace pofinfo {
namespace {

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

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V3 a) { return std::sqrt(dot(a, a)); }
V3 unit(V3 a) {
    const double l = length(a);
    return l > 0 && std::isfinite(l) ? a * (1.0 / l) : V3{};
}
bool finite(V3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }
V3 v3(pofread::Vec3 v) { return {v.x, v.y, v.z}; }

struct Rgb {
    double r = 0, g = 0, b = 0; // 0 to 1
};
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb bytes_rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// Colours of textured polygons, one per texture number, chosen to stay
// apart from each other and from the background.
const Rgb texture_palette[] = {
    bytes_rgb(230, 159, 0),   bytes_rgb(86, 180, 233),  bytes_rgb(0, 158, 115),  bytes_rgb(240, 228, 66),
    bytes_rgb(213, 94, 0),    bytes_rgb(204, 121, 167), bytes_rgb(160, 160, 170), bytes_rgb(148, 103, 189),
    bytes_rgb(140, 86, 75),   bytes_rgb(188, 189, 34),  bytes_rgb(23, 190, 207), bytes_rgb(255, 152, 150),
};
constexpr size_t PALETTE_SIZE = sizeof texture_palette / sizeof texture_palette[0];

Rgb texture_colour(int32_t t) {
    const auto n = static_cast<long long>(PALETTE_SIZE);
    return texture_palette[static_cast<size_t>(((static_cast<long long>(t) % n) + n) % n)];
}

const Rgb background_top = bytes_rgb(58, 64, 76);
const Rgb background_bottom = bytes_rgb(28, 31, 38);
const Rgb text_colour = bytes_rgb(230, 232, 236);
const Rgb dim_text = bytes_rgb(150, 156, 166);

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

void draw_text(Image& img, int x, int y, const std::string& text, Rgb colour, int scale = 1) {
    for (char ch : text) {
        const auto code = static_cast<unsigned char>(ch);
        const uint8_t* rows = font_rows[code >= 32 && code < 127 ? code - 32 : '?' - 32];
        for (int r = 0; r < FONT_HEIGHT; ++r)
            for (int c = 0; c < FONT_WIDTH; ++c)
                if (rows[r] >> (FONT_WIDTH - 1 - c) & 1) img.fill(x + c * scale, y + r * scale, scale, scale, colour);
        x += (FONT_WIDTH + 1) * scale;
    }
}

// Cuts a text to at most `pixels` wide, marking the cut with "..".
std::string fit_text(std::string text, int pixels) {
    const auto max_chars = static_cast<size_t>(std::max(0, pixels / (FONT_WIDTH + 1)));
    if (text.size() > max_chars) text = text.substr(0, max_chars >= 2 ? max_chars - 2 : 0) + "..";
    return text;
}

// A camera looking along `dir`: the model's axes are x right, y up and z
// forward (a left-handed frame), so the screen's right is up x dir.
struct View {
    const char* caption;
    V3 dir, right, up;
};

View make_view(const char* caption, V3 dir, V3 up_hint) {
    View v;
    v.caption = caption;
    v.dir = unit(dir);
    v.right = unit(cross(up_hint, v.dir));
    v.up = cross(v.dir, v.right);
    return v;
}

// The subobjects along the parent chain of subobject i, i first. The walk
// stops where the chain leaves the file's subobjects or comes back to a
// subobject already on it, so a looping chain is never followed round.
std::vector<size_t> parent_chain(const Model& m, size_t i) {
    std::vector<size_t> chain;
    std::vector<bool> on_chain(m.subobjects.size(), false);
    for (auto s = static_cast<int32_t>(i); s >= 0 && static_cast<size_t>(s) < m.subobjects.size();
         s = m.subobjects[static_cast<size_t>(s)].parent) {
        if (on_chain[static_cast<size_t>(s)]) break;
        on_chain[static_cast<size_t>(s)] = true;
        chain.push_back(static_cast<size_t>(s));
    }
    return chain;
}

// Each subobject's absolute offset: its own plus every parent's along the chain.
std::vector<V3> absolute_offsets(const Model& m) {
    std::vector<V3> out(m.subobjects.size());
    for (size_t i = 0; i < m.subobjects.size(); ++i)
        for (size_t s : parent_chain(m, i)) out[i] = out[i] + v3(m.subobjects[s].offset);
    return out;
}

// Detail level 0 and every subobject whose parent chain reaches it.
std::vector<bool> detail0_parts(const Model& m) {
    std::vector<bool> in(m.subobjects.size(), false);
    int32_t root = m.header.detail.empty() ? 0 : m.header.detail[0];
    if (root < 0 || static_cast<size_t>(root) >= m.subobjects.size()) return in;
    for (size_t i = 0; i < m.subobjects.size(); ++i)
        for (size_t s : parent_chain(m, i))
            if (s == static_cast<size_t>(root)) in[i] = true;
    return in;
}

std::vector<Triangle> model_triangles(const Model& m) {
    std::vector<Triangle> out;
    const auto offsets = absolute_offsets(m);
    const auto parts = detail0_parts(m);
    for (size_t i = 0; i < m.subobjects.size(); ++i) {
        if (!parts[i]) continue;
        const Subobject& s = m.subobjects[i];
        for (const pofread::Polygon& p : s.polygons) {
            if (p.corners.size() < 3) continue;
            Rgb colour;
            if (p.kind == kf::POLY_FLAT) {
                const auto c = static_cast<uint32_t>(p.color_or_texture);
                colour = bytes_rgb(static_cast<int>(c & 0xff), static_cast<int>(c >> 8 & 0xff), static_cast<int>(c >> 16 & 0xff));
            } else {
                colour = texture_colour(p.color_or_texture);
            }
            auto corner = [&](size_t k) { return v3(s.vertices[p.corners[k].vertex]) + offsets[i]; };
            V3 normal = unit(v3(p.normal));
            for (size_t k = 1; k + 1 < p.corners.size(); ++k) {
                Triangle t{{corner(0), corner(k), corner(k + 1)}, normal, colour};
                if (!finite(t.p[0]) || !finite(t.p[1]) || !finite(t.p[2])) continue;
                if (length(t.normal) == 0) t.normal = unit(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
                out.push_back(t);
            }
        }
    }
    return out;
}

// The sphere that every view is fitted to, so all panels share one scale.
struct Frame {
    V3 center;
    double radius = 1;
};

Frame frame_of(const std::vector<V3>& points) {
    Frame f;
    if (points.empty()) return f;
    V3 lo = points[0], hi = points[0];
    for (const V3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    f.center = (lo + hi) * 0.5;
    f.radius = 0;
    for (const V3& p : points) f.radius = std::max(f.radius, length(p - f.center));
    if (!(f.radius > 0) || !std::isfinite(f.radius)) f.radius = 1;
    return f;
}

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

struct Legend {
    std::string text;
    Rgb colour;
    bool swatch;
};

std::vector<Legend> legend_entries(const Model& m) {
    std::vector<Legend> out;
    std::vector<int32_t> used;
    bool flat = false;
    for (const Subobject& s : m.subobjects)
        for (const pofread::Polygon& p : s.polygons) {
            if (p.kind == kf::POLY_FLAT) flat = true;
            else if (std::find(used.begin(), used.end(), p.color_or_texture) == used.end())
                used.push_back(p.color_or_texture);
        }
    for (size_t t = 0; t < m.textures.size(); ++t)
        if (std::find(used.begin(), used.end(), static_cast<int32_t>(t)) == used.end())
            used.push_back(static_cast<int32_t>(t));
    std::sort(used.begin(), used.end());
    for (int32_t t : used) {
        std::string name = t >= 0 && static_cast<size_t>(t) < m.textures.size()
                               ? m.textures[static_cast<size_t>(t)]
                               : std::string("(no TXTR entry)");
        out.push_back({"texture " + std::to_string(t) + ": " + name, texture_colour(t), true});
    }
    if (flat) out.push_back({"flat polygons: their own colour", {}, false});
    return out;
}

int legend_height(const Model& m) {
    const auto n = static_cast<int>(legend_entries(m).size());
    const int rows = std::max(1, (n + LEGEND_COLUMNS - 1) / LEGEND_COLUMNS);
    return 18 + rows * LEGEND_ROW + MARGIN;
}

std::string number_text(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

// The picture as rows of 8-bit red, green and blue.
std::vector<uint8_t> rgb_bytes(const Image& img) {
    std::vector<uint8_t> rgb(img.pixels.size() * 3);
    auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        rgb[3 * i] = byte(img.pixels[i].r);
        rgb[3 * i + 1] = byte(img.pixels[i].g);
        rgb[3 * i + 2] = byte(img.pixels[i].b);
    }
    return rgb;
}

std::string write_png_file(const std::string& path, ImageSize size, const std::vector<uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return "cannot create " + path;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return "cannot write " + path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size.width), static_cast<png_uint_32>(size.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(size.width) * 3;
    for (int y = 0; y < size.height; ++y) png_write_row(png, rgb.data() + static_cast<size_t>(y) * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) return "cannot write " + path;
    return "";
}

} // namespace

PanelRect preview_panel(int index) {
    return {MARGIN + (index % COLUMNS) * (PANEL + MARGIN), TITLE_H + (index / COLUMNS) * (CAPTION_H + PANEL + MARGIN) + CAPTION_H,
            PANEL, PANEL};
}

ImageSize preview_size(const Model& m) {
    return {COLUMNS * PANEL + (COLUMNS + 1) * MARGIN, TITLE_H + 2 * (CAPTION_H + PANEL + MARGIN) + legend_height(m)};
}

std::vector<uint8_t> render_preview(const Model& m) {
    const ImageSize size = preview_size(m);
    Image img(size.width, size.height, bytes_rgb(18, 20, 25));

    const std::vector<Triangle> triangles = model_triangles(m);
    std::vector<V3> points;
    for (const Triangle& t : triangles) points.insert(points.end(), t.p, t.p + 3);
    const Frame frame = frame_of(points);

    // Title: what is drawn and at which size.
    size_t parts = 0;
    for (bool in : detail0_parts(m)) parts += in;
    std::string title = "detail level 0: " + std::to_string(parts) + " subobject" + (parts == 1 ? "" : "s") + ", " +
                        std::to_string(triangles.size()) + " triangles, radius " + number_text(frame.radius);
    draw_text(img, MARGIN, 8, fit_text(title, (size.width - 2 * MARGIN) / 2), text_colour, 2);

    const View views[] = {
        make_view("front (from +z)", {0, 0, -1}, {0, 1, 0}),
        make_view("right side (from +x)", {-1, 0, 0}, {0, 1, 0}),
        make_view("top (from +y, front up)", {0, -1, 0}, {0, 0, 1}),
        make_view("three-quarter, front right above", {-1, -0.75, -1.1}, {0, 1, 0}),
        make_view("three-quarter, rear left below", {0.9, 0.6, 1}, {0, 1, 0}),
    };
    // Top left corner of panel i's caption; its drawing area lies below.
    auto panel_origin = [](int i) {
        const PanelRect r = preview_panel(i);
        return std::array<int, 2>{r.x, r.y - CAPTION_H};
    };
    auto caption = [&](int i, const std::string& text) {
        const auto o = panel_origin(i);
        img.fill(o[0], o[1], PANEL, CAPTION_H, bytes_rgb(40, 44, 54));
        draw_text(img, o[0] + 5, o[1] + 5, fit_text(text, PANEL - 10), text_colour);
    };

    // Panels 0, 1, 2, 3 and 5: the model; panel 4: the shield.
    const int model_panels[] = {0, 1, 2, 3, 5};
    for (size_t v = 0; v < 5; ++v) {
        Canvas canvas(views[v], frame);
        for (const Triangle& t : triangles) canvas.triangle(t);
        canvas.outline();
        canvas.axes();
        const int i = model_panels[v];
        caption(i, views[v].caption);
        const auto o = panel_origin(i);
        canvas.blit(img, o[0], o[1] + CAPTION_H);
        if (triangles.empty()) draw_text(img, o[0] + 10, o[1] + CAPTION_H + 10, "no polygons to draw", dim_text);
    }

    {
        const auto o = panel_origin(4);
        if (!m.shield) {
            caption(4, "shield: none");
            Canvas canvas(views[3], frame);
            canvas.blit(img, o[0], o[1] + CAPTION_H);
            draw_text(img, o[0] + 10, o[1] + CAPTION_H + 10, "this model has no shield", dim_text);
        } else {
            const pofread::Shield& sh = *m.shield;
            std::vector<V3> all = points;
            for (const auto& v : sh.vertices)
                if (finite(v3(v))) all.push_back(v3(v));
            const Frame shield_frame = frame_of(all);
            Canvas canvas(views[3], shield_frame);
            // The model in pale grey inside, the shield's edges over it:
            // front edges bright, back edges dim, open edges red.
            for (const Triangle& t : triangles) canvas.triangle(t, 0.6, bytes_rgb(120, 126, 136), 0.75);
            const V3 toward = canvas.view().dir;
            for (int pass = 0; pass < 2; ++pass)
                for (const pofread::ShieldFace& f : sh.faces) {
                    const bool front = dot(v3(f.normal), toward) < 0;
                    if (front != (pass == 1)) continue;
                    for (size_t e = 0; e < 3; ++e) {
                        const V3 a = canvas.project(v3(sh.vertices[static_cast<size_t>(f.vertex[e])]));
                        const V3 b = canvas.project(v3(sh.vertices[static_cast<size_t>(f.vertex[(e + 1) % 3])]));
                        Rgb colour = front ? bytes_rgb(110, 230, 255) : bytes_rgb(55, 105, 130);
                        if (f.neighbour[e] == -1) colour = bytes_rgb(255, 70, 60);
                        canvas.line(a, b, colour, front ? 1.5 * SS : SS);
                    }
                }
            canvas.axes();
            caption(4, "shield: " + std::to_string(sh.faces.size()) + " faces, " + std::to_string(sh.open_edges) +
                           " open edges (red)");
            canvas.blit(img, o[0], o[1] + CAPTION_H);
        }
    }

    // Legend of colours under the panels.
    const int legend_y = TITLE_H + 2 * (CAPTION_H + PANEL + MARGIN);
    draw_text(img, MARGIN, legend_y + 2, "colours:", text_colour);
    const auto entries = legend_entries(m);
    const int column_w = (size.width - 2 * MARGIN) / LEGEND_COLUMNS;
    if (entries.empty()) draw_text(img, MARGIN, legend_y + 18, "no polygons", dim_text);
    for (size_t k = 0; k < entries.size(); ++k) {
        const int x = MARGIN + static_cast<int>(k % LEGEND_COLUMNS) * column_w;
        const int y = legend_y + 16 + static_cast<int>(k / LEGEND_COLUMNS) * LEGEND_ROW;
        int text_x = x;
        if (entries[k].swatch) {
            img.fill(x, y, 10, 10, entries[k].colour);
            text_x += 14;
        }
        draw_text(img, text_x, y + 2, fit_text(entries[k].text, column_w - (text_x - x) - 6), text_colour);
    }

    return rgb_bytes(img);
}

std::string write_preview(const Model& m, const std::string& png_path) {
    return write_png_file(png_path, preview_size(m), render_preview(m));
}

} // namespace pofinfo
