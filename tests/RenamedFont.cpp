#include "RenamedFont.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

uint32_t read32(const Bytes& b, std::size_t at)
{
    return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 |
           b.at(at + 3);
}

void put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

void set32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.at(at + std::size_t(i)) = uint8_t(v >> (24 - 8 * i));
}

// UTF-8 to UTF-16BE, for characters up to U+FFFF.
Bytes utf16be(const std::string& text)
{
    Bytes out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : -1;
        if (extra < 0 || i + std::size_t(extra) > text.size() - 1)
            throw std::runtime_error("family name outside U+0000..U+FFFF or cut short");
        uint32_t code = extra == 0 ? c : extra == 1 ? c & 0x1F : c & 0x0F;
        for (int k = 1; k <= extra; ++k)
            code = code << 6 | (static_cast<unsigned char>(text[i + std::size_t(k)]) & 0x3F);
        put16(out, code);
        i += std::size_t(extra) + 1;
    }
    return out;
}

// A naming table with Windows Unicode records (platform 3, encoding 1,
// US English): family, style and full name.
Bytes naming_table(const std::string& family)
{
    const std::pair<int, Bytes> names[] = {
        {1, utf16be(family)}, {2, utf16be("Regular")}, {4, utf16be(family + " Regular")}};
    Bytes table;
    put16(table, 0);                     // format
    put16(table, std::size(names));      // count
    put16(table, 6 + 12 * std::size(names)); // where the strings start
    uint32_t offset = 0;
    for (const auto& [id, text] : names) {
        for (uint32_t v : {3u, 1u, 0x409u, uint32_t(id), uint32_t(text.size()), offset})
            put16(table, v);
        offset += uint32_t(text.size());
    }
    for (const auto& [id, text] : names)
        table.insert(table.end(), text.begin(), text.end());
    return table;
}

} // namespace

void write_renamed_font(const std::string& source, const std::string& dest, const std::string& family)
{
    std::ifstream in(source, std::ios::binary);
    Bytes font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (font.size() < 12)
        throw std::runtime_error("cannot read the font " + source);

    // The new table goes at the end, 4-byte aligned; the directory entry of
    // "name" is pointed at it. Readers do not check table checksums.
    const unsigned tables = unsigned(font[4]) << 8 | font[5];
    std::size_t entry = 0;
    for (unsigned i = 0; i < tables && !entry; ++i)
        if (read32(font, 12 + 16 * i) == 0x6E616D65) // "name"
            entry = 12 + 16 * i;
    if (!entry)
        throw std::runtime_error(source + " has no naming table");
    font.resize((font.size() + 3) & ~std::size_t(3), 0);
    const Bytes table = naming_table(family);
    set32(font, entry + 8, uint32_t(font.size()));
    set32(font, entry + 12, uint32_t(table.size()));
    font.insert(font.end(), table.begin(), table.end());

    std::ofstream out(dest, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(font.data()), std::streamsize(font.size()));
    if (!out)
        throw std::runtime_error("cannot write " + dest);
}
