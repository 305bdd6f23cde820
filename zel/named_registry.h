// Internal to zel: a process-wide table of objects made on first use of their name and never destroyed.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Zel {

// Objects live until the process ends with _exit; static destructors of
// other objects may still use them, so the table itself is never destroyed.
template <class T>
T* GetNamedInstance(const char* name)
{
    static std::mutex lock;
    static auto* table = new std::map<std::string, std::unique_ptr<T>>();
    std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<T>& entry = (*table)[name ? name : ""];
    if (!entry)
        entry = std::make_unique<T>(name);
    return entry.get();
}

}  // namespace Zel
