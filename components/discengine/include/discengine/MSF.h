#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace discengine {

// Time code of a block count: 75 frames (blocks) a second, 60 seconds a minute.
class IMSFX {
public:
    virtual ~IMSFX() = default;
    virtual void SetBlocks(std::int32_t blocks) = 0; // negative counts are taken as 0
    virtual std::int32_t Minutes() const = 0;
    virtual std::int32_t Seconds() const = 0;
    virtual std::int32_t Frames() const = 0;
    virtual std::string Text() const = 0; // "mm:ss:ff" (minutes widen past 99)
};

std::unique_ptr<IMSFX> CreateMSF();

// "mm:ss:ff" of a block count, as IMSFX::Text gives it.
std::string MsfText(std::int32_t blocks);

} // namespace discengine
