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
    std::string Text() const override {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", Minutes(), Seconds(), Frames());
        return text;
    }

private:
    std::int32_t blocks_ = 0;
};

} // namespace

std::unique_ptr<IMSFX> CreateMSF() {
    return std::make_unique<MSF>();
}

} // namespace discengine
