// Decodes each SOURCE to the WAV file TARGET the way the burn preparation does: a TAudioFile2
// reader feeding a TAudioFile2 writer block by block.
#include "audio/AudioError.h"
#include "audio/TAudioFile2.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 != 1) {
        std::cerr << "usage: " << argv[0] << " SOURCE TARGET.wav [SOURCE TARGET.wav ...]\n";
        return 2;
    }
    try {
        for (int i = 1; i + 1 < argc; i += 2) {
            audio::TAudioFile2 reader;
            audio::TAudioFile2 writer;
            writer.SetOutputFormat(44100, 2, 16);
            reader.OpenSource(argv[i], 0, audio::kFormatPcm);
            writer.CreateTarget(argv[i + 1], audio::kFormatPcm);
            writer.SetTargetParams(reader.SourceParamB(), reader.SourceParamA());
            const int blockSize = reader.SourceParamA() * reader.SourceParamB();
            for (;;) {
                const auto block = reader.ReadBlock(blockSize);
                if (block.empty())
                    break;
                writer.WriteBlock(block);
            }
            writer.CloseFile();
            reader.CloseFile();
        }
    } catch (const audio::AudioError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
