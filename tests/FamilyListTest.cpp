// The family list from font sets that the tests build themselves. The
// embedded configuration lists this machine's fonts in FontDialogTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ScriptEngine.h"
#include "fontchooser/FamilyList.h"
#include "fontchooser/ListIndex.h"
#include "fontchooser/NameSort.h"

namespace {

// A font's file, family and style; null: the font lacks that value.
struct Font { const char *file, *family, *style; };

using FontSet = std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)>;

FontSet font_set(const std::vector<Font>& fonts)
{
    FontSet set(FcFontSetCreate(), FcFontSetDestroy);
    for (const Font& f : fonts) {
        FcPattern* p = FcPatternCreate();
        for (auto [object, value] : {std::pair{FC_FILE, f.file}, {FC_FAMILY, f.family}, {FC_STYLE, f.style}})
            if (value)
                FcPatternAddString(p, object, reinterpret_cast<const FcChar8*>(value));
        FcFontSetAdd(set.get(), p);
    }
    return set;
}

struct Built {
    FamilyCount found;
    std::string text;
    std::vector<const char*> listed; // borrowed from the font set
};

Built build(const FcFontSet* set)
{
    Built out{count_families(set), {}, {}};
    const auto n = std::size_t(out.found.count);
    std::vector<const char*> names(n + 1), listed(n + 1);
    // Bytes past the budget's terminator must stay untouched.
    std::string text(std::size_t(out.found.budget) + 1 + 4, '#');
    listed.resize(std::size_t(write_family_list(set, out.found.count, names.data(), text.data(), listed.data())));
    EXPECT_EQ(text.substr(std::size_t(out.found.budget) + 1), "####");
    out.text = text.c_str();
    for (std::size_t i = 1; i < listed.size(); ++i)
        EXPECT_LT(name_sort(&listed[i - 1], &listed[i]), 0) << listed[i - 1] << " / " << listed[i];
    out.listed = listed;
    return out;
}

TEST(FamilyList, OneEntryPerFamilyRunWithoutDotNamesOrIncompleteFonts)
{
    const FontSet set = font_set({{"/b.ttf", "Beta", "Regular"}, {"/b.ttf", "Beta", "Bold"},
                                  {"/b2.otf", "beta", "Regular"}, {"/a.ttf", "Alpha", "Italic"},
                                  {"/h.ttf", ".Hidden", "Regular"}, {nullptr, "NoFile", "Regular"},
                                  {"/n.ttf", nullptr, "Regular"}, {"/s.ttf", "NoStyle", nullptr},
                                  {"/e.ttf", "", "Regular"}});
    const Built list = build(set.get());
    EXPECT_EQ(list.found.count, 5);
    EXPECT_EQ(list.found.budget, (5 + 3) + 3 * (4 + 3) + (7 + 3));
    // Which spelling of the Beta run is listed is the sort's choice.
    EXPECT_TRUE(list.text == R"("Alpha","Beta")" || list.text == R"("Alpha","beta")") << list.text;
    EXPECT_EQ(list.listed.size(), 2u);

    // A dot name is listed when it is the last of the sorted array.
    EXPECT_EQ(build(font_set({{"/1", ".B", "R"}, {"/2", ".A", "R"}, {"/3", ".B", "I"}}).get()).text, R"(".B")");

    const FontSet empty = font_set({});
    for (const FcFontSet* none : {static_cast<const FcFontSet*>(nullptr), static_cast<const FcFontSet*>(empty.get())}) {
        const Built nothing = build(none);
        EXPECT_EQ(nothing.found.count + nothing.found.budget, 0);
        EXPECT_EQ(nothing.text + std::to_string(nothing.listed.size()), "0");
    }
}

TEST(FamilyList, HostileNamesAreListedShownAndChosenAsThemselves)
{
    // Each name, its entry in the list text, and the name as the engine reads
    // it back. A byte that is not UTF-8 ("Caf\xE9" is Latin-1; C0 AF is an
    // overlong '/') would make the engine refuse the script as it stood: it
    // stands for the Latin-1 character of its value.
    const std::vector<std::array<std::string, 3>> hostile = {
        {"100% Sans", R"(100% Sans)", "100% Sans"},
        {"Back\\slash", R"(Back\\slash)", "Back\\slash"},
        {"Caf\xE9", R"(Caf\u00E9)", "Caf\xC3\xA9"},
        {"Line\nBreak", R"(Line\u000ABreak)", "Line\nBreak"},
        {"Over\xC0\xAFlong", R"(Over\u00C0\u00AFlong)", "Over\xC3\x80\xC2\xAFlong"},
        {"Sep\xE2\x80\xA8rator", R"(Sep\u2028rator)", "Sep\xE2\x80\xA8rator"},
        {"Tab\tDel\x7F", R"(Tab\u0009Del\u007F)", "Tab\tDel\x7F"},
        {"Unit\x1FSep", R"(Unit\u001FSep)", "Unit\x1FSep"},
        {"x\"]);throw 1;//", R"(x\"]);throw 1;//)", "x\"]);throw 1;//"},
    };
    std::vector<Font> fonts;
    std::string text, shown;
    for (const auto& [name, entry, read_back] : hostile) {
        fonts.push_back({"/h.ttf", name.c_str(), "Regular"});
        text += (text.empty() ? "\"" : ",\"") + entry + "\"";
        shown += (shown.empty() ? "" : "\x01") + read_back;
    }
    const FontSet set = font_set(fonts);
    const Built list = build(set.get());
    EXPECT_EQ(list.text, text);
    EXPECT_EQ(std::size_t(list.found.budget), list.text.size() + 1); // escapes counted
    ASSERT_EQ(list.listed.size(), hostile.size());
    EXPECT_EQ(standin::ScriptEngine().run("[" + list.text + "].join('\\u0001')").text, shown);
    // Entry 2 + i chooses, and preselects, the exact name i.
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(chosen_family(A_long(i) + 2, list.listed.data(), A_long(hostile.size()), "Arial"), hostile[i][0]);
        EXPECT_EQ(preselected_entry(hostile[i][0].c_str(), list.listed.data(), A_long(hostile.size())), A_long(i) + 2);
    }
}

} // namespace
