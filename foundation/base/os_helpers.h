// Operating-system helpers around the product's other programs: launching, display settings, URL protocol.
#pragma once

#include <cstdint>
#include <string>

// LaunchProcess flags: bit 1 hides the program (and wins over bit 0), bit 0 starts it minimised.
enum LaunchFlag : uint32_t {
    LaunchMinimised = 1,
    LaunchHidden = 2,
};

// The show modes of the flags (hidden 0, normal 1, minimised without activation 7).
// Here every program starts without a window; the mode is kept for callers that ask.
int32_t LaunchShowMode(uint32_t flags);

// Starts the program detached (its own session, stdio on /dev/null, no
// inherited descriptors) in the working folder; the parameters are split at
// blanks. Returns the process id, 0 on failure.
int LaunchProcess(const char* programPath, const char* parameters, const char* workingFolder, uint32_t flags);

// The command registered for the "Korvel" URL protocol: the path unchanged
// when it starts with a quotation mark, else quoted, then a blank and "%1" quoted.
std::string BuildURLProtocolCommand(const char* programPath);
// There is no registry here: nothing is written and the result is false.
bool RegisterURLProtocol(const char* programPath);

// Lowers the process to the idle scheduling priority.
void SetIdlePriority();

// Starts the installation's "bin/AssetPilot.exe"; true when it started.
bool StartAssetPilot(const char* installFolder);

// The simulator's display settings (60 bytes: fifteen 32-bit fields in file order).
struct DisplaySettings {
    uint32_t width;
    uint32_t colourBits;
    uint32_t verticalSync;
    uint32_t refreshChoice;
    uint32_t stencil;
    uint32_t openGLRenderer;
    uint32_t noHardwareTransform;
    uint32_t groundPolygonOffset;
    uint32_t reserved;
    uint32_t offsetVertices;
    float vertexOffset;
    uint32_t height;
    uint32_t fullScreen;
    float physicalScreenRatio;
    uint32_t multiSampling;

    DisplaySettings() { SetDefaults(); }
    void SetDefaults();
};

// "Korvel.cfg" in the folder. Read: defaults first; false when the file cannot
// be opened. Write: signature, version 3 and the fields; false when the file
// cannot be created.
bool ReadDisplaySettings(const char* folder, DisplaySettings& settings);
bool WriteDisplaySettings(const char* folder, const DisplaySettings& settings);

// The simulator's command line: the extra arguments followed by the options
// the settings ask for.
std::string BuildSimulatorCommandLine(const char* extraArguments, const DisplaySettings& settings);
// Starts the installation's "bin/korvel.exe" with that command line; without
// settings they are read from the installation folder (defaults when that fails).
bool LaunchSimulator(const char* installFolder, const char* extraArguments, const DisplaySettings* settings);
