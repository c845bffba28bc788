#include "AEGP_SuiteHandler.h"

#include <cstddef>

namespace {

// Inclusive runs of roster rows (counted from 1), in the order in which the
// destructor gives suites back.
struct RowRun {
    int first, last;
};
constexpr RowRun kReleaseWalk[] = {
    {5, 6},     {15, 16},   {4, 4},     {3, 3},     {2, 2},     {17, 17},   {104, 104},
    {18, 20},   {1, 1},     {21, 21},   {107, 107}, {7, 14},    {22, 27},   {29, 34},
    {59, 62},   {28, 28},   {63, 68},   {35, 58},   {69, 70},   {73, 89},   {93, 99},
    {118, 118}, {100, 103}, {105, 106}, {108, 110}, {90, 92},   {111, 115}, {72, 72},
    {71, 71},   {116, 117}, {119, 130},
};

} // namespace

const AEGP_SuiteHandler::RosterRow AEGP_SuiteHandler::kRoster[kRosterSize] = {
    {"AEGP Keyframe Suite", 4},
    {"AEGP Stream Suite", 8},
    {"AEGP Stream Suite", 9},
    {"AEGP Stream Suite", 10},
    {"AEGP Marker Suite", 1},
    {"AEGP Marker Suite", 2},
    {"AEGP Comp Suite", 9},
    {"AEGP Comp Suite", 11},
    {"AEGP Comp Suite", 14},
    {"AEGP Comp Suite", 15},
    {"AEGP Comp Suite", 18},
    {"AEGP Comp Suite", 19},
    {"AEGP Comp Suite", 21},
    {"AEGP Comp Suite", 25},
    {"AEGP Layer Suite", 8},
    {"AEGP Layer Suite", 10},
    {"AEGP Stream Suite", 7},
    {"AEGP Dynamic Stream Suite", 2},
    {"AEGP Dynamic Stream Suite", 3},
    {"AEGP Dynamic Stream Suite", 5},
    {"AEGP Keyframe Suite", 3},
    {"AEGP Canvas Suite", 10},
    {"AEGP Canvas Suite", 11},
    {"AEGP Canvas Suite", 13},
    {"AEGP Canvas Suite", 14},
    {"AEGP Camera Suite", 2},
    {"AEGP Register Suite", 6},
    {"AEGP Memory Suite", 1},
    {"AEGP Item View Suite", 1},
    {"AEGP Item Suite", 13},
    {"AEGP Item Suite", 11},
    {"AEGP Item Suite", 10},
    {"AEGP Item Suite", 7},
    {"AEGP Item Suite", 3},
    {"AEGP Light Suite", 1},
    {"AEGP Light Suite", 2},
    {"AEGP Effect Suite", 1},
    {"AEGP Effect Suite", 2},
    {"AEGP Effect Suite", 3},
    {"AEGP Effect Suite", 4},
    {"AEGP Layer Mask Suite", 5},
    {"AEGP Mask Outline Suite", 2},
    {"AEGP Mask Outline Suite", 3},
    {"AEGP Mask Outline Suite", 5},
    {"AEGP Command Suite", 1},
    {"AEGP Utility Suite", 7},
    {"AEGP Render Suite", 1},
    {"AEGP Render Suite", 2},
    {"AEGP Render Suite", 3},
    {"AEGP Render Suite", 5},
    {"AEGP Render Suite", 8},
    {"PF ANSI Suite", 1},
    {"PF Handle Suite", 2},
    {"PF Fill Matte Suite", 2},
    {"PF World Transform Suite", 1},
    {"AEGP QueryXform Suite", 4},
    {"AEGP Composite Suite", 4},
    {"PF World Suite", 1},
    {"AEGP PF Interface Suite", 1},
    {"AEGP Math Suite", 1},
    {"PF AE Adv Time Suite", 4},
    {"PF Path Query Suite", 1},
    {"PF Path Data Suite", 1},
    {"PF Param Utils Suite", 3},
    {"PF AE App Suite", 6},
    {"PF AE App Suite", 7},
    {"PF AE App Suite", 1},
    {"PF AE Adv App Suite", 2},
    {"AEGP IO In Suite", 5},
    {"AEGP IO Out Suite", 7},
    {"AEGP Persistent Data Suite", 3},
    {"AEGP Persistent Data Suite", 4},
    {"AEGP Render Queue Suite", 1},
    {"AEGP Render Queue Item Suite", 3},
    {"AEGP Output Module Suite", 4},
    {"AEGP File Import Manager Suite", 3},
    {"PF Sampling8 Suite", 1},
    {"PF Sampling16 Suite", 1},
    {"PF Iterate8 Suite", 1},
    {"PF iterate16 Suite", 1},
    {"PF iterateFloat Suite", 1},
    {"AEGP Collection Suite", 2},
    {"AEGP Text Document Suite", 1},
    {"AEGP Sound Data Suite", 1},
    {"AEGP Text Layer Suite", 1},
    {"AEGP Artisan Util Suite", 1},
    {"AEGP World Suite", 2},
    {"AEGP World Suite", 3},
    {"AEGP Render Options Suite", 1},
    {"AEGP Layer Render Options Suite", 1},
    {"AEGP Layer Render Options Suite", 2},
    {"AEGP Render Asyc Manager Suite", 1},
    {"AEGP Tracker Suite", 1},
    {"AEGP Tracker Utility Suite", 1},
    {"AE Plugin Helper Suite2", 2},
    {"AEGP Layer Suite", 11},
    {"AEGP Layer Suite", 12},
    {"AEGP Layer Suite", 13},
    {"AEGP Layer Suite", 14},
    {"AEGP Layer Suite", 5},
    {"AEGP Layer Mask Suite", 2},
    {"AEGP Layer Mask Suite", 6},
    {"AEGP Layer Mask Suite", 7},
    {"AEGP Stream Suite", 4},
    {"AEGP Comp Suite", 4},
    {"AEGP Collection Suite", 1},
    {"AEGP Keyframe Suite", 1},
    {"PF AE Adv App Suite", 1},
    {"AEGP Utility Suite", 3},
    {"AEGP Render Options Suite", 2},
    {"AEGP Proj Suite", 8},
    {"AEGP Proj Suite", 9},
    {"AEGP Footage Suite", 11},
    {"AEGP Render Queue Item Suite", 4},
    {"AEGP Utility Suite", 10},
    {"PF Color Settings Suite", 3},
    {"PF Color Settings Suite", 1},
    {"PF AE Adv Item Suite", 1},
    {"PF ColorParamSuite", 1},
    {"PF SamplingFloat Suite", 1},
    {"AEGP Utility Suite", 11},
    {"AEGP Utility Suite", 13},
    {"PF Effect Custom UI Suite", 1},
    {"PF Effect Custom UI Suite", 2},
    {"PF Effect Custom UI Overlay Theme Suite", 1},
    {"DRAWBOT Draw Suite", 1},
    {"DRAWBOT Supplier Suite", 1},
    {"DRAWBOT Surface Suite", 2},
    {"DRAWBOT Path Suite", 1},
    {"SP Suites Suite", 2},
};

AEGP_SuiteHandler::AEGP_SuiteHandler(const SPBasicSuite* basic_suite)
    : basic_suite_(basic_suite), suites_{}
{
    if (!basic_suite_)
        MissingSuiteError();
}

AEGP_SuiteHandler::~AEGP_SuiteHandler()
{
    ReleaseAllSuites();
}

void AEGP_SuiteHandler::ReleaseSuite(const char* name, int version)
{
    basic_suite_->ReleaseSuite(name, version);
}

void AEGP_SuiteHandler::ReleaseAllSuites()
{
    for (const RowRun& run : kReleaseWalk) {
        for (int row = run.first; row <= run.last; ++row) {
            const RosterRow& suite = kRoster[row - 1];
            if (suites_[row - 1])
                ReleaseSuite(suite.name, suite.version);
        }
    }
}
