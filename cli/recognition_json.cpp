// The recognition's JSON form: checked reading and writing.
#include "cli/recognition_json.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace rkcli {
namespace {

using json = nlohmann::ordered_json;  // members written in the order given

// A problem in the input: its message names the place ("regions[2].lines[0]").
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Reader {
public:
    Reader(uint32_t width, uint32_t height) : width_(width), height_(height) {}

    Recognition Read(const json& doc) {
        if (!doc.is_object()) throw BadInput("the recognition is not a JSON object");
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            const std::string& k = it.key();
            if (k != "regions" && k != "tables" && k != "excluded" && k != "engine_areas" && k != "width" &&
                k != "height")
                throw BadInput("unknown member \"" + k + "\"");
        }
        Recognition rec;
        rec.width = width_;
        rec.height = height_;
        if (doc.contains("width") && Number(doc["width"], "width", UINT32_MAX) != width_)
            throw BadInput("width " + doc["width"].dump() + " does not match the image's " +
                           std::to_string(width_));
        if (doc.contains("height") && Number(doc["height"], "height", UINT32_MAX) != height_)
            throw BadInput("height " + doc["height"].dump() + " does not match the image's " +
                           std::to_string(height_));
        EachOf(doc, "regions",
               [&](const json& r, const std::string& where) { rec.regions.push_back(Region(r, where)); });
        EachOf(doc, "excluded",
               [&](const json& r, const std::string& where) { rec.excluded.push_back(Region(r, where)); });
        EachOf(doc, "tables",
               [&](const json& t, const std::string& where) { rec.tables.push_back(TableOf(t, where)); });
        EachOf(doc, "engine_areas", [&](const json& a, const std::string& where) {
            Box b = BoxOf(a, where);
            // Picture areas have inclusive edges: the last pixel must be on the page.
            if (b.right >= width_ || b.bottom >= height_)
                throw BadInput(where + ": area outside the " + Size() + " page");
            rec.engineAreas.push_back(b);
        });
        return rec;
    }

private:
    std::string Size() const { return std::to_string(width_) + "x" + std::to_string(height_); }

    static const json& Array(const json& obj, const char* key, const std::string& where) {
        static const json empty = json::array();
        if (!obj.contains(key)) return empty;
        const json& a = obj[key];
        if (!a.is_array()) throw BadInput(where + ": expected an array");
        return a;
    }

    // Calls f(element, "key[i]") for each element of the top-level array `key`.
    template <class F>
    static void EachOf(const json& doc, const char* key, F f) {
        size_t i = 0;
        for (const json& e : Array(doc, key, key)) f(e, std::string(key) + "[" + std::to_string(i++) + "]");
    }

    static uint32_t Number(const json& v, const std::string& where, uint32_t max) {
        if (!v.is_number_integer() || v.get<int64_t>() < 0 || v.get<int64_t>() > int64_t(max))
            throw BadInput(where + ": expected an integer from 0 to " + std::to_string(max));
        return static_cast<uint32_t>(v.get<int64_t>());
    }

    // {"left", "top", "right", "bottom"} (or the four as an array) within the
    // page; right and bottom may equal the size.
    Box BoxOf(const json& v, const std::string& where) const {
        static const char* const kEdges[] = {"left", "top", "right", "bottom"};
        uint32_t e[4];
        if (v.is_object() && v.size() == 4) {
            for (int i = 0; i < 4; ++i) {
                if (!v.contains(kEdges[i])) throw BadInput(where + ": a box has left, top, right and bottom");
                e[i] = Number(v[kEdges[i]], where, 65535);
            }
        } else if (v.is_array() && v.size() == 4) {
            for (int i = 0; i < 4; ++i) e[i] = Number(v[i], where, 65535);
        } else {
            throw BadInput(where + ": a box has left, top, right and bottom");
        }
        Box b{e[0], e[1], e[2], e[3]};
        if (b.right < b.left || b.bottom < b.top)
            throw BadInput(where + ": box " + v.dump() + " has right < left or bottom < top");
        if (b.right > width_ || b.bottom > height_)
            throw BadInput(where + ": box " + v.dump() + " outside the " + Size() + " page");
        return b;
    }

    Box MemberBox(const json& obj, const std::string& where) const {
        if (!obj.is_object() || !obj.contains("box")) throw BadInput(where + ": missing \"box\"");
        return BoxOf(obj["box"], where + ".box");
    }

    Char CharOf(const json& c, const std::string& where) const {
        Char out;
        out.box = MemberBox(c, where);
        if (!c.contains("code")) throw BadInput(where + ": missing \"code\"");
        const json& code = c["code"];
        if (code.is_string()) {
            std::u16string u = Utf16(code.get<std::string>(), where);
            if (u.size() != 1) throw BadInput(where + ": \"code\" must be one UCS-2 character");
            out.code = u[0];
        } else {
            out.code = static_cast<uint16_t>(Number(code, where + ".code", 0xFFFF));
        }
        if (c.contains("dist")) out.dist = static_cast<uint16_t>(Number(c["dist"], where + ".dist", 0xFFFF));
        return out;
    }

    static std::u16string Utf16(const std::string& s, const std::string& where) {
        std::u16string out;
        for (size_t i = 0; i < s.size();) {
            unsigned char b = s[i];
            uint32_t cp;
            int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
            if (n == 0 || i + n > s.size()) throw BadInput(where + ": bad UTF-8");
            cp = n == 1 ? b : b & (0x7F >> n);
            for (int k = 1; k < n; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
            if (cp > 0xFFFF) throw BadInput(where + ": character outside UCS-2");
            out.push_back(static_cast<char16_t>(cp));
            i += n;
        }
        return out;
    }

    Line LineOf(const json& l, const std::string& where) const {
        Line out;
        out.box = MemberBox(l, where);
        size_t ci = 0;
        for (const json& c : Array(l, "chars", where + ".chars")) {
            const size_t i = ci++;
            out.chars.push_back(CharOf(c, where + ".chars[" + std::to_string(i) + "]"));
        }
        return out;
    }

    std::vector<Line> Lines(const json& obj, const std::string& where) const {
        std::vector<Line> out;
        size_t li = 0;
        for (const json& l : Array(obj, "lines", where + ".lines")) {
            const size_t i = li++;
            out.push_back(LineOf(l, where + ".lines[" + std::to_string(i) + "]"));
        }
        return out;
    }

    TextRegion Region(const json& r, const std::string& where) const {
        TextRegion out;
        out.box = MemberBox(r, where);
        out.lines = Lines(r, where);
        if (out.lines.empty()) throw BadInput(where + ": a region needs at least one line");
        return out;
    }

    static std::pair<uint8_t, uint8_t> Pair(const json& obj, const char* key, const std::string& where,
                                            uint32_t def, uint32_t min) {
        if (!obj.contains(key)) return {uint8_t(def), uint8_t(def)};
        const json& v = obj[key];
        if (!v.is_array() || v.size() != 2) throw BadInput(where + "." + key + ": expected [x, y]");
        uint32_t x = Number(v[0], where + "." + key, 255), y = Number(v[1], where + "." + key, 255);
        if (x < min || y < min)
            throw BadInput(where + "." + key + ": values must be at least " + std::to_string(min));
        return {uint8_t(x), uint8_t(y)};
    }

    Table TableOf(const json& t, const std::string& where) const {
        Table out;
        out.box = MemberBox(t, where);
        if (!t.contains("size")) throw BadInput(where + ": missing \"size\"");
        std::tie(out.sizeX, out.sizeY) = Pair(t, "size", where, 1, 1);
        size_t ci = 0;
        for (const json& c : Array(t, "cells", where + ".cells")) {
            const size_t i = ci++;
            std::string cw = where + ".cells[" + std::to_string(i) + "]";
            Cell cell;
            cell.box = MemberBox(c, cw);
            std::tie(cell.indexX, cell.indexY) = Pair(c, "index", cw, 0, 0);
            std::tie(cell.mergeX, cell.mergeY) = Pair(c, "merge", cw, 1, 1);
            if (cell.indexX >= out.sizeX || cell.indexY >= out.sizeY)
                throw BadInput(cw + ".index: outside the table's " + std::to_string(out.sizeX) + "x" +
                               std::to_string(out.sizeY) + " cells");
            if (cell.indexX + cell.mergeX > out.sizeX || cell.indexY + cell.mergeY > out.sizeY)
                throw BadInput(cw + ".merge: the cell reaches past the table's edge");
            cell.lines = Lines(c, cw);
            out.cells.push_back(std::move(cell));
        }
        if (out.cells.empty()) throw BadInput(where + ": a table needs at least one cell");
        return out;
    }

    uint32_t width_, height_;
};

json BoxJson(const Box& b) {
    json out = json::object();
    out["left"] = b.left;
    out["top"] = b.top;
    out["right"] = b.right;
    out["bottom"] = b.bottom;
    return out;
}

json LinesJson(const std::vector<Line>& lines) {
    json out = json::array();
    for (const Line& l : lines) {
        json chars = json::array();
        for (const Char& c : l.chars)
            chars.push_back({{"code", c.code}, {"box", BoxJson(c.box)}, {"dist", c.dist}});
        out.push_back({{"box", BoxJson(l.box)}, {"chars", std::move(chars)}});
    }
    return out;
}

json RegionsJson(const std::vector<TextRegion>& regions) {
    json out = json::array();
    for (const TextRegion& r : regions)
        out.push_back({{"box", BoxJson(r.box)}, {"lines", LinesJson(r.lines)}});
    return out;
}

// A problem is reported on one line: control characters that the file's own
// member names or strings bring into the message are written as escapes.
std::string OneLine(const std::string& message) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(message.size());
    for (const char ch : message) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace

std::string ParseRecognitionJson(const std::string& text, uint32_t width, uint32_t height, Recognition& out) {
    try {
        json doc = json::parse(text);
        out = Reader(width, height).Read(doc);
        return {};
    } catch (const json::parse_error& e) {
        return OneLine(std::string("malformed JSON: ") + e.what());
    } catch (const BadInput& e) {
        return OneLine(e.what());
    } catch (const std::exception& e) {
        return OneLine(std::string("cannot read the recognition: ") + e.what());
    }
}

std::string RecognitionToJson(const Recognition& rec) {
    json doc;
    doc["width"] = rec.width;
    doc["height"] = rec.height;
    doc["regions"] = RegionsJson(rec.regions);
    doc["excluded"] = RegionsJson(rec.excluded);
    json tables = json::array();
    for (const Table& t : rec.tables) {
        json cells = json::array();
        for (const Cell& c : t.cells)
            cells.push_back({{"box", BoxJson(c.box)},
                             {"index", {c.indexX, c.indexY}},
                             {"merge", {c.mergeX, c.mergeY}},
                             {"lines", LinesJson(c.lines)}});
        tables.push_back(
            {{"box", BoxJson(t.box)}, {"size", {t.sizeX, t.sizeY}}, {"cells", std::move(cells)}});
    }
    doc["tables"] = std::move(tables);
    json areas = json::array();
    for (const Box& b : rec.engineAreas) areas.push_back(BoxJson(b));
    doc["engine_areas"] = std::move(areas);
    return doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

size_t Recognition::CharacterCount() const {
    size_t n = 0;
    auto count = [&n](const std::vector<Line>& lines) {
        for (const Line& l : lines) n += l.chars.size();
    };
    for (const TextRegion& r : regions) count(r.lines);
    for (const TextRegion& r : excluded) count(r.lines);
    for (const Table& t : tables)
        for (const Cell& c : t.cells) count(c.lines);
    return n;
}

}  // namespace rkcli
