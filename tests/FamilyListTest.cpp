// The family list from font sets that the tests build themselves, and from
// the embedded configuration on this machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ScriptEngine.h"
#include "fontchooser/FamilyList.h"
#include "fontchooser/InstalledFonts.h"
#include "fontchooser/ListIndex.h"
#include "fontchooser/NameSort.h"

namespace {

struct Font {
    const char *file, *family, *style; // null: the font lacks that value
};

struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

std::unique_ptr<FcFontSet, FontSetDeleter> font_set(const std::vector<Font>& fonts)
{
    std::unique_ptr<FcFontSet, FontSetDeleter> set(FcFontSetCreate());
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
    const auto set = font_set({{"/b.ttf", "Beta", "Regular"}, {"/b.ttf", "Beta", "Bold"},
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

    const auto empty = font_set({});
    for (const FcFontSet* none : {static_cast<const FcFontSet*>(nullptr), static_cast<const FcFontSet*>(empty.get())}) {
        const Built nothing = build(none);
        EXPECT_EQ(nothing.found.count + nothing.found.budget, 0);
        EXPECT_EQ(nothing.text, "");
        EXPECT_TRUE(nothing.listed.empty());
    }
}

TEST(FamilyList, HostileNamesAreListedShownAndChosenAsThemselves)
{
    // "Caf\xE9" is Latin-1, not UTF-8: as it stood it would make the engine refuse the script.
    const std::vector<std::string> hostile = {"100% Sans", "Back\\slash", "Caf\xE9", "Line\nBreak",
                                              "Sep\xE2\x80\xA8rator", "Tab\tDel\x7F", "x\"]);throw 1;//"};
    std::vector<Font> fonts;
    for (const std::string& name : hostile)
        fonts.push_back({"/h.ttf", name.c_str(), "Regular"});
    const auto set = font_set(fonts);
    const Built list = build(set.get());

    EXPECT_EQ(list.text, R"("100% Sans","Back\\slash","Caf\u00E9","Line\u000ABreak","Sep\u2028rator",)"
                         R"("Tab\u0009Del\u007F","x\"]);throw 1;//")");
    EXPECT_EQ(std::size_t(list.found.budget), list.text.size() + 1); // escapes counted
    ASSERT_EQ(list.listed.size(), hostile.size());

    // The engine reads every entry back as the very name (the Latin-1 byte as
    // its character)...
    standin::ScriptEngine engine;
    const standin::ScriptOutcome shown = engine.run("[" + list.text + "].join('\\u0001')");
    std::string expected;
    for (const std::string& name : hostile)
        expected += (expected.empty() ? "" : "\x01") + (name == "Caf\xE9" ? "Caf\xC3\xA9" : name);
    EXPECT_EQ(shown.text, expected);
    // ...and entry 2 + i chooses, and preselects, the exact name i.
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(chosen_family(A_long(i) + 2, list.listed.data(), A_long(hostile.size()), "Arial"), hostile[i]);
        EXPECT_EQ(preselected_entry(hostile[i].c_str(), list.listed.data(), A_long(hostile.size())), A_long(i) + 2);
    }
}

TEST(InstalledFonts, EmbeddedConfigurationListsThisMachinesFamiliesSortedOnce)
{
    InstalledFonts fonts;
    ASSERT_NE(fonts.set(), nullptr);
    const Built list = build(fonts.set()); // checks the strict order
    // fonts-dejavu-core is part of the machine's setup.
    EXPECT_NE(std::find_if(list.listed.begin(), list.listed.end(),
                           [](const char* n) { return std::string(n) == "DejaVu Sans"; }),
              list.listed.end())
        << list.text;
}

} // namespace
