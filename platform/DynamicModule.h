// Loading a shared library at run time (a plug-in, from a host's side).
#pragma once

#include <string>

namespace platform {

class DynamicModule
{
public:
    DynamicModule() = default;
    ~DynamicModule();
    DynamicModule(const DynamicModule&) = delete;
    DynamicModule& operator=(const DynamicModule&) = delete;

    // Loads the library at path; on failure returns false and error() says why.
    bool load(const std::string& path);
    void unload();
    bool isLoaded() const { return handle_ != nullptr; }

    // Address of an exported symbol, or null.
    void* symbol(const char* name) const;
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace platform
