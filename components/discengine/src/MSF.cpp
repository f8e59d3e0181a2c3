#include "discengine/MSF.h"

#include <cstdio>

namespace discengine {
namespace {

class MSF final : public IMSFX {
public:
    void SetBlocks(std::int32_t blocks) override { blocks_ = blocks < 0 ? 0 : blocks; }
    std::int32_t Minutes() const override { return blocks_ / (75 * 60); }
    std::int32_t Seconds() const override { return (blocks_ / 75) % 60; }
    std::int32_t Frames() const override { return blocks_ % 75; }
    std::string Text() const override { return MsfText(blocks_); }

private:
    std::int32_t blocks_ = 0;
};

} // namespace

std::string MsfText(std::int32_t blocks) {
    if (blocks < 0)
        blocks = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", blocks / (75 * 60), (blocks / 75) % 60,
                  blocks % 75);
    return text;
}

std::unique_ptr<IMSFX> CreateMSF() {
    return std::make_unique<MSF>();
}

} // namespace discengine
