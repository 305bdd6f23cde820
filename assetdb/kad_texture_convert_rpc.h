// KADTextureConvertFileRPC: asks the daemon whether texture compression may use hardware acceleration.
#pragma once

class KADTextureConvertFileRPC {
public:
    // QueryCompressorFlag: the daemon's flag; 1 when the daemon cannot be asked.
    // Texture conversion passes its negation to the compressor as the switch
    // for hardware acceleration.
    static bool QueryCompressorFlag();
};
