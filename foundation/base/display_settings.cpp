// "Korvel.cfg": the simulator's display settings file and the command line built from it.
#include "foundation/base/os_helpers.h"

#include "zel/file.h"
#include "zel/path.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const uint32_t Signature[4] = {0x2B746B3E, 0x0A80C2BE, 0x168401F7, 0x01D1EE3C};
constexpr uint32_t CurrentVersion = 3;
constexpr uint32_t DefaultMultiSampling = 4;

std::string SettingsPath(const char* folder)
{
    Zel::File::Path path(folder ? folder : "");
    path.AddPath("Korvel.cfg");
    return path.c_str();
}

// Little-endian fields read one by one; a short read leaves the value as it was.
struct FieldReader {
    Zel::File& file;

    uint32_t Word(uint32_t fallback)
    {
        uint8_t bytes[4];
        if (file.Read(bytes, 4) != 4)
            return fallback;
        return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    }
    void Read(uint32_t& value) { value = Word(value); }
    void Read(float& value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        bits = Word(bits);
        std::memcpy(&value, &bits, 4);
    }
};

void ReadFields(FieldReader& reader, uint32_t version, DisplaySettings& settings)
{
    reader.Read(settings.width);
    reader.Read(settings.colourBits);
    reader.Read(settings.verticalSync);
    reader.Read(settings.refreshChoice);
    reader.Read(settings.stencil);
    reader.Read(settings.openGLRenderer);
    reader.Read(settings.noHardwareTransform);
    reader.Read(settings.groundPolygonOffset);
    if (version == 1) {
        uint32_t skipped = 0;
        reader.Read(skipped);
    }
    reader.Read(settings.reserved);
    reader.Read(settings.offsetVertices);
    reader.Read(settings.vertexOffset);
    reader.Read(settings.height);
    reader.Read(settings.fullScreen);
    reader.Read(settings.physicalScreenRatio);
    // Version 0 ends before multi-sampling; versions 1 and 2 carry a value
    // that was never usable.
    if (version >= 1)
        reader.Read(settings.multiSampling);
    if (version < 3)
        settings.multiSampling = DefaultMultiSampling;
}

void Append(std::string& line, const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    line += text;
}

void AppendUnsigned(std::string& line, const char* format, uint32_t value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    line += text;
}

const char* FrequencyOption(uint32_t choice)
{
    static const char* const options[] = {" -Frequency=60", " -Frequency=70", " -Frequency=72", " -Frequency=75",
                                          " -Frequency=80", " -Frequency=85", " -Frequency=100"};
    if (choice < 1 || choice > 7)
        return "";
    return options[choice - 1];
}

}  // namespace

void DisplaySettings::SetDefaults()
{
    width = 1024;
    colourBits = 32;
    verticalSync = 0;
    refreshChoice = 0;
    stencil = 1;
    openGLRenderer = 1;
    noHardwareTransform = 0;
    groundPolygonOffset = 0;
    reserved = 0;
    offsetVertices = 0;
    vertexOffset = 0.5f;
    height = 768;
    fullScreen = 1;
    physicalScreenRatio = 0.0f;
    multiSampling = DefaultMultiSampling;
}

bool ReadDisplaySettings(const char* folder, DisplaySettings& settings)
{
    settings.SetDefaults();
    Zel::File file;
    if (file.Open(SettingsPath(folder).c_str(), Zel::File::ModeRead) != 0)
        return false;
    FieldReader reader{file};
    uint32_t version = 0;
    bool hasSignature = true;
    for (uint32_t word : Signature) {
        if (reader.Word(~word) != word)
            hasSignature = false;
    }
    if (hasSignature) {
        version = reader.Word(0);
    } else {
        // Files written before the signature existed start with the fields.
        file.Seek(0, Zel::File::SeekSet);
    }
    if (version <= CurrentVersion)
        ReadFields(reader, version, settings);
    return true;
}

bool WriteDisplaySettings(const char* folder, const DisplaySettings& settings)
{
    Zel::File file;
    if (file.Open(SettingsPath(folder).c_str(), Zel::File::ModeWrite) != 0)
        return false;
    for (uint32_t word : Signature)
        file.Write(word);
    file.Write(CurrentVersion);
    const uint32_t words[] = {
        settings.width,    settings.colourBits,     settings.verticalSync,        settings.refreshChoice,
        settings.stencil,  settings.openGLRenderer, settings.noHardwareTransform, settings.groundPolygonOffset,
        settings.reserved, settings.offsetVertices};
    for (uint32_t word : words)
        file.Write(word);
    file.Write(settings.vertexOffset);
    file.Write(settings.height);
    file.Write(settings.fullScreen);
    file.Write(settings.physicalScreenRatio);
    file.Write(settings.multiSampling);
    return true;
}

std::string BuildSimulatorCommandLine(const char* extraArguments, const DisplaySettings& settings)
{
    std::string line = extraArguments ? extraArguments : "";
    AppendUnsigned(line, " -Width=%u", settings.width);
    AppendUnsigned(line, " -Height=%u", settings.height);
    AppendUnsigned(line, " -ColorBits=%u", settings.colourBits);
    line += settings.fullScreen ? " -fullscreen" : " -windowed";
    if (std::fabs(settings.physicalScreenRatio) > 0.01f)
        Append(line, " -PhysicalScreenRatio=%f", settings.physicalScreenRatio);
    if (static_cast<int32_t>(settings.multiSampling) > 0)
        AppendUnsigned(line, " -multiSample=%d", settings.multiSampling);
    line += settings.openGLRenderer ? " -Render=OpenGL" : " -Render=DirectX9";
    if (!settings.stencil)
        line += " -DisableStencil";
    if (settings.noHardwareTransform)
        line += " -nohwtnl";
    if (settings.groundPolygonOffset)
        line += " -groundpolyoffset";
    if (settings.verticalSync == 1)
        line += " -Vsync";
    else if (settings.verticalSync == 2)
        line += " -Vsync=2";
    line += FrequencyOption(settings.refreshChoice);
    if (settings.offsetVertices)
        Append(line, " -offsetvertices=%.1f", settings.vertexOffset);
    return line;
}

bool LaunchSimulator(const char* installFolder, const char* extraArguments, const DisplaySettings* settings)
{
    DisplaySettings read;
    if (!settings) {
        ReadDisplaySettings(installFolder, read);
        settings = &read;
    }
    Zel::File::Path program(installFolder ? installFolder : "");
    program.AddPath("bin/korvel.exe");
    std::string line = BuildSimulatorCommandLine(extraArguments, *settings);
    return LaunchProcess(program.c_str(), line.c_str(), installFolder, 0) != 0;
}
