// Holds one host suite for the length of a scope.
#pragma once

#include "PF_Records.h"

template <typename T>
class __attribute__((visibility("default"))) AEFX_SuiteScoper {
public:
    // On failure (a refused suite, or a null one) writes the message into
    // out_data when given and throws the int 13. The name must outlive the
    // scoper: only its pointer is kept. error_text is a printf format.
    AEFX_SuiteScoper(const PF_InData* in_data, const char* suite_name, int suite_version,
                     PF_OutData* out_data = nullptr, const char* error_text = nullptr)
        : suite_(nullptr), basic_suite_(in_data->pica_basicP), suite_name_(suite_name),
          suite_version_(suite_version)
    {
        const void* suite = nullptr;
        if (basic_suite_->AcquireSuite(suite_name_, suite_version_, &suite) != 0 || !suite) {
            if (out_data) {
                const char* message = error_text ? error_text : "Not able to acquire AEFX Suite.";
                out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
                in_data->utils->ansi.sprintf(out_data->return_msg, message);
            }
            throw static_cast<int>(A_Err_MISSING_SUITE);
        }
        suite_ = static_cast<T*>(const_cast<void*>(suite));
    }

    ~AEFX_SuiteScoper()
    {
        if (suite_)
            basic_suite_->ReleaseSuite(suite_name_, suite_version_);
    }

    AEFX_SuiteScoper(const AEFX_SuiteScoper&) = delete;
    AEFX_SuiteScoper& operator=(const AEFX_SuiteScoper&) = delete;

    T* operator->() const { return suite_; }

private:
    T* suite_;
    const SPBasicSuite* basic_suite_;
    const char* suite_name_;
    int suite_version_;
};
