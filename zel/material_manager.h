// Engine material manager: decorated names, built-in material types, a cache by full name and a fallback type.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "zel/material.h"

namespace Zel {

// Decorated names are "owner*folder*stored"; the type is the text after the
// last ".m." of the name ("wood.m.tbumpgloss" is of type "tbumpgloss"); a name
// without ".m." is of the fallback type.
class MaterialManager {
public:
    enum : int { RequestOk = 0, RequestNotFound = 3, RequestFailed = 4 };
    using Factory = std::function<Material*(const std::string& name, const std::string& type)>;

    // Registers the built-in types "onetex", "notex", "gloss" and "reflect".
    MaterialManager();
    ~MaterialManager();
    MaterialManager(const MaterialManager&) = delete;
    MaterialManager& operator=(const MaterialManager&) = delete;

    void RegisterType(const std::string& type, Factory factory);
    bool HasType(const std::string& type) const;
    const std::string& GetFallbackTypeName() const { return fallbackType_; }

    // RequestOk with a counted material (the caller releases it), or
    // RequestNotFound for a type nobody makes, or RequestFailed when the
    // manager is told to refuse (tests of the failure path).
    int Request(const std::string& name, Material*& material);
    void SetRefuseAll(bool refuse) { refuseAll_ = refuse; }

    // type = text after the last ".m." (else the fallback type); base = the
    // text up to and including the '.' of that ".m." (else the name and a '.').
    void SplitDecoratedMaterialName(const std::string& decorated, std::string& type, std::string& base) const;

private:
    std::map<std::string, Factory> factories_;
    std::map<std::string, Material*> cache_;
    std::string fallbackType_ = "onetex";
    bool refuseAll_ = false;
};

}  // namespace Zel
