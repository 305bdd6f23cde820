// Natives registered before their classes are built: each links, and a call raises a script exception.
#pragma once

#include <string>
#include <string_view>

// Registers one binding per signature (a null entry ends the list) under the
// class name the signature carries between "@" and "::". A call raises
// "<signature> is not available in this program" on the calling thread.
void RegisterUnavailableNatives(const char* const* signatures);
// The class name a signature is bound under: the text between "@" and
// "::"; empty when the signature has no such part.
std::string NativeClassOfSignature(std::string_view signature);

// The OnlineAccess registration's stored boxes (LoadOfflineBoxes), then the
// stored-message cache.
void RegisterOnlineAccessStores();
