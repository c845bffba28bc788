// The family list from font sets that the tests build themselves, and from
// the embedded configuration on this machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fontchooser/FamilyList.h"
#include "fontchooser/InstalledFonts.h"
#include "fontchooser/ListIndex.h"
#include "fontchooser/NameSort.h"
#include "ScriptEngine.h"

namespace {

struct FontSpec {
    const char* file;   // null: the font has no file
    const char* family; // null: no family
    const char* style;  // null: no style
};

struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

FontSetPtr make_font_set(const std::vector<FontSpec>& specs)
{
    FontSetPtr set(FcFontSetCreate());
    for (const FontSpec& spec : specs) {
        FcPattern* font = FcPatternCreate();
        if (spec.file)
            FcPatternAddString(font, FC_FILE, reinterpret_cast<const FcChar8*>(spec.file));
        if (spec.family)
            FcPatternAddString(font, FC_FAMILY, reinterpret_cast<const FcChar8*>(spec.family));
        if (spec.style)
            FcPatternAddString(font, FC_STYLE, reinterpret_cast<const FcChar8*>(spec.style));
        FcFontSetAdd(set.get(), font);
    }
    return set;
}

// What one run would hand on to the script: the list text and the names.
struct BuiltList {
    FamilyCount found;
    std::string text;
    std::vector<std::string> listed;
    bool increasing = true; // listed names in strictly increasing name_sort order
};

BuiltList build(const FcFontSet* set)
{
    BuiltList out;
    out.found = count_families(set);
    const auto n = std::size_t(out.found.count);
    std::vector<const char*> names(n + 1), listed(n + 1);
    // Canary bytes past the budget catch a text that outgrows its handle.
    std::string text(std::size_t(out.found.budget) + 1 + 8, '#');
    const A_long k = write_family_list(set, out.found.count, names.data(), text.data(), listed.data());
    EXPECT_EQ(text.substr(std::size_t(out.found.budget) + 1), "########");
    out.text = text.c_str();
    for (A_long i = 0; i < k; ++i) {
        out.listed.emplace_back(listed[std::size_t(i)]);
        if (i > 0 && name_sort(&listed[std::size_t(i) - 1], &listed[std::size_t(i)]) >= 0)
            out.increasing = false;
    }
    return out;
}

TEST(FamilyList, OneEntryPerFamilyAcrossStylesAndFiles)
{
    const auto set = make_font_set({{"/f/b.ttf", "Beta", "Regular"},
                                    {"/f/b.ttf", "Beta", "Bold"},
                                    {"/f/b2.otf", "Beta", "Regular"},
                                    {"/f/a.ttf", "Alpha", "Italic"},
                                    {"/f/c.ttf", "Gamma", "Regular"}});
    const BuiltList list = build(set.get());
    EXPECT_EQ(list.found.count, 5);
    EXPECT_EQ(list.found.budget, (5 + 3) + 3 * (4 + 3) + (5 + 3));
    EXPECT_EQ(list.text, R"("Alpha","Beta","Gamma")");
    EXPECT_EQ(list.listed, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_TRUE(list.increasing);
}

TEST(FamilyList, CaseInsensitiveRunsGiveOneEntry)
{
    const auto set = make_font_set({{"/f/1", "sans", "Regular"},
                                    {"/f/2", "Zed", "Regular"},
                                    {"/f/3", "SANS", "Bold"},
                                    {"/f/4", "Sans", "Italic"}});
    const BuiltList list = build(set.get());
    ASSERT_EQ(list.listed.size(), 2u);
    // Which spelling of the run is listed is the sort's choice.
    EXPECT_TRUE(list.listed[0] == "sans" || list.listed[0] == "SANS" || list.listed[0] == "Sans");
    EXPECT_EQ(list.text, "\"" + list.listed[0] + "\",\"Zed\"");
    EXPECT_TRUE(list.increasing);
}

TEST(FamilyList, DotNamesLeftOutUnlessLast)
{
    const auto mixed = make_font_set({{"/f/1", ".Hidden", "Regular"},
                                      {"/f/2", "Shown", "Regular"},
                                      {"/f/3", ".Also", "Regular"}});
    EXPECT_EQ(build(mixed.get()).text, R"("Shown")");

    const auto dots = make_font_set({{"/f/1", ".B", "Regular"},
                                     {"/f/2", ".A", "Regular"},
                                     {"/f/3", ".B", "Bold"}});
    const BuiltList only_dots = build(dots.get());
    EXPECT_EQ(only_dots.text, R"(".B")");
    EXPECT_EQ(only_dots.listed, std::vector<std::string>{".B"});
    // The budget counted all three, the text uses what it needs.
    EXPECT_EQ(only_dots.found.budget, 3 * 5);
}

TEST(FamilyList, FontsLackingFileFamilyOrStyleAreNotCounted)
{
    const auto set = make_font_set({{nullptr, "NoFile", "Regular"},
                                    {"/f/1", nullptr, "Regular"},
                                    {"/f/2", "NoStyle", nullptr},
                                    {"/f/3", "", "Regular"},
                                    {"/f/4", "Kept", "Regular"}});
    const BuiltList list = build(set.get());
    EXPECT_EQ(list.found.count, 1);
    EXPECT_EQ(list.found.budget, 4 + 3);
    EXPECT_EQ(list.text, R"("Kept")");
}

TEST(FamilyList, NoFontsGiveAnEmptyList)
{
    const auto empty = make_font_set({});
    for (const FcFontSet* set : {static_cast<const FcFontSet*>(nullptr),
                                 static_cast<const FcFontSet*>(empty.get())}) {
        const BuiltList list = build(set);
        EXPECT_EQ(list.found.count, 0);
        EXPECT_EQ(list.found.budget, 0);
        EXPECT_EQ(list.text, "");
        EXPECT_TRUE(list.listed.empty());
    }
}

TEST(FamilyList, HostileNamesAreEscapedAndListedAsThemselves)
{
    const std::vector<std::string> hostile = {
        "x\"]);throw 1;//", "Line\nBreak", "100% Sans", "Back\\slash", "Sep\xE2\x80\xA8rator", "Tab\tDel\x7F"};
    std::vector<FontSpec> specs;
    for (const std::string& name : hostile)
        specs.push_back({"/f/h", name.c_str(), "Regular"});
    const auto set = make_font_set(specs);
    const BuiltList list = build(set.get());

    EXPECT_EQ(list.text, R"("100% Sans","Back\\slash","Line\u000ABreak","Sep\u2028rator",)"
                         R"("Tab\u0009Del\u007F","x\"]);throw 1;//")");
    // The budget holds the escapes: it is exactly the text and its terminator.
    EXPECT_EQ(std::size_t(list.found.budget), list.text.size() + 1);
    EXPECT_EQ(list.listed, (std::vector<std::string>{"100% Sans", "Back\\slash", "Line\nBreak",
                                                     "Sep\xE2\x80\xA8rator", "Tab\tDel\x7F",
                                                     "x\"]);throw 1;//"}));

    // A script engine reads every entry back as the very name.
    standin::ScriptEngine engine;
    const standin::ScriptOutcome joined = engine.run("[" + list.text + "].join('\\u0001')");
    ASSERT_TRUE(joined.ok) << joined.text;
    std::string expected;
    for (const std::string& name : list.listed)
        expected += (expected.empty() ? "" : "\x01") + name;
    EXPECT_EQ(joined.text, expected);
}

TEST(ListIndex, ChoiceAndPreselectionMapEntriesToNames)
{
    const char* listed[] = {"Alpha", "Beta", "Gamma"};
    EXPECT_STREQ(chosen_family(0, listed, 3, "Arial"), "Arial");
    EXPECT_STREQ(chosen_family(2, listed, 3, "Arial"), "Alpha");
    EXPECT_STREQ(chosen_family(3, listed, 3, "Arial"), "Beta");
    EXPECT_STREQ(chosen_family(4, listed, 3, "Arial"), "Gamma");
    for (A_long nothing : {-1, -2, 1, 5, 1000})
        EXPECT_EQ(chosen_family(nothing, listed, 3, "Arial"), nullptr) << nothing;
    EXPECT_EQ(chosen_family(2, listed, 0, "Arial"), nullptr);

    EXPECT_EQ(preselected_entry("Beta", listed, 3), 3);
    EXPECT_EQ(preselected_entry("gAMMA", listed, 3), 4);
    EXPECT_EQ(preselected_entry("Delta", listed, 3), 0);
    EXPECT_EQ(preselected_entry(nullptr, listed, 3), 0);
    EXPECT_EQ(preselected_entry("Alpha", listed, 0), 0);
}

TEST(InstalledFonts, EmbeddedConfigurationListsThisMachinesFamiliesSortedOnce)
{
    InstalledFonts fonts;
    ASSERT_NE(fonts.set(), nullptr);
    const BuiltList list = build(fonts.set());
    EXPECT_GT(list.found.count, 0);
    EXPECT_TRUE(list.increasing) << list.text;
    // fonts-dejavu-core is part of the build machine's setup.
    EXPECT_NE(std::find(list.listed.begin(), list.listed.end(), "DejaVu Sans"), list.listed.end())
        << list.text;
}

} // namespace
