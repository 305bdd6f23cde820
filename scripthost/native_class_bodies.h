// The registrars of the native classes that have bodies: each binds its class's natives with the machine.
#pragma once

// Each binds the natives of one row of the registration table (see
// native_registrations.cpp) to their bodies. A signature that no registrar
// binds is still registered, after them all, as a native that raises
// "<signature> is not available in this program" when called. A class whose
// bodies come later (Image) gets a registrar here and in its row; it may
// bind natives of other rows that make or take its objects
// ("$Image@ConstructorsBase::NewImage()", "$Image@Asset::LoadImage(string)").
void RegisterKUIDNatives();
void RegisterSoupNatives();
void RegisterHTMLBufferNatives();
void RegisterKUIDListNatives();
void RegisterStringTableNatives();
void RegisterAssetNatives();
void RegisterLinkedListNatives();
void RegisterSecurityTokenNatives();
void RegisterConstructorsNatives();
void RegisterKorvelScriptBaseNatives();
void RegisterImageNatives();
void RegisterOnlineAccessNatives();
void RegisterOnlineGroupNatives();
// Every Library native but GetOnlineAccess, whose objects belong to the
// OnlineAccess class.
void RegisterLibraryNatives();
