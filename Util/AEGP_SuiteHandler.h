// Acquire-on-first-use access to the host's suites for one command call.
// Every suite acquired through a handler is released once, by its destructor,
// under the name and version with which it was acquired.
#pragma once

#include "AEGP_Suites.h"
#include "PF_Suites.h"
#include "SPBasicSuite.h"

class __attribute__((visibility("default"))) AEGP_SuiteHandler {
public:
    // Throws the int 516 when basic_suite is null.
    explicit AEGP_SuiteHandler(const SPBasicSuite* basic_suite);
    ~AEGP_SuiteHandler();
    AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
    AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

    // Each accessor throws the int 516 when the host cannot supply its suite.
    AEGP_MemorySuite1* MemorySuite1() const { return Suite<AEGP_MemorySuite1>(kMemory); }
    PF_ANSICallbacksSuite1* ANSICallbacksSuite1() const { return Suite<PF_ANSICallbacksSuite1>(kANSI); }
    PF_HandleSuite1* HandleSuite1() const { return Suite<PF_HandleSuite1>(kHandle); }
    PF_WorldTransformSuite1* WorldTransformSuite1() const { return Suite<PF_WorldTransformSuite1>(kWorldTransform); }
    PFAppSuite4* AppSuite4() const { return Suite<PFAppSuite4>(kApp); }
    AEGP_PersistentDataSuite3* PersistentDataSuite3() const { return Suite<AEGP_PersistentDataSuite3>(kPersistentData); }
    PF_Iterate8Suite1* Iterate8Suite1() const { return Suite<PF_Iterate8Suite1>(kIterate8); }
    PF_iterate16Suite1* Iterate16Suite1() const { return Suite<PF_iterate16Suite1>(kIterate16); }
    PF_ColorParamSuite1* ColorParamSuite1() const { return Suite<PF_ColorParamSuite1>(kColorParam); }
    AEGP_UtilitySuite5* UtilitySuite5() const { return Suite<AEGP_UtilitySuite5>(kUtility11); }

    static constexpr int kRosterSize = 130;

    struct RosterRow {
        const char* name;
        int version;
    };
    // Row r (counted from 0) names the suite that cache field r holds.
    static const RosterRow kRoster[kRosterSize];

private:
    // Roster rows (from 0) that the accessors fill.
    enum : int {
        kMemory = 27,
        kANSI = 51,
        kHandle = 52,
        kWorldTransform = 54,
        kApp = 64,
        kPersistentData = 70,
        kIterate8 = 78,
        kIterate16 = 79,
        kColorParam = 118,
        kUtility11 = 120,
    };

    template <typename T>
    T* Suite(int row) const
    {
        if (!suites_[row])
            suites_[row] = LoadSuite(kRoster[row].name, kRoster[row].version);
        return static_cast<T*>(const_cast<void*>(suites_[row]));
    }

    // Never returns null: a refused suite or a null answer throws 516.
    const void* LoadSuite(const char* name, int version) const
    {
        const void* suite = nullptr;
        if (basic_suite_->AcquireSuite(name, version, &suite) != 0 || !suite)
            MissingSuiteError();
        return suite;
    }

    void ReleaseSuite(const char* name, int version);
    void ReleaseAllSuites();
    [[noreturn]] void MissingSuiteError() const;

    const SPBasicSuite* const basic_suite_;
    mutable const void* suites_[kRosterSize];
};
