// The preview's panels: which polygons are drawn, where each panel lies,
// and the whole picture.
#include "pofinfo/font.h"
#include "pofinfo/preview_parts.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pofinfo::preview {

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

namespace {

// Each subobject's absolute offset: its own plus every parent's along the chain.
std::vector<V3> absolute_offsets(const Model& m) {
    std::vector<V3> out(m.subobjects.size());
    for (size_t i = 0; i < m.subobjects.size(); ++i)
        for (size_t s : parent_chain(m, i)) out[i] = out[i] + v3(m.subobjects[s].offset);
    return out;
}

} // namespace

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

namespace {

std::string number_text(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

} // namespace

} // namespace pofinfo::preview

namespace pofinfo {

using namespace preview;

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

    draw_legend(img, m);

    return rgb_bytes(img);
}

} // namespace pofinfo
