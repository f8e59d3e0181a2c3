// Sizes no image can hold, whether a source or a disc claims them: refused by the plan before
// any arithmetic, with the item named.
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"
#include "isofs/TargetFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace isofs;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kTiB = 1ull << 40;

// The plan of a layout of files with the given sizes (known facts, as a loaded disc gives them),
// or the plan's refusal.
std::string planOf(const std::vector<std::uint64_t>& sizes, int fileSystems,
                   std::uint64_t* blocks = nullptr) {
    FileLayout layout;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        layout.addKnownItem("\\f" + std::to_string(i) + ".bin", false, sizes[i], 0, "/src");
    ImageOptions options;
    options.fileSystems = fileSystems;
    try {
        auto plan = ImagePlan::build(layout, options);
        if (blocks)
            *blocks = plan.imageBlocks();
        return "built";
    } catch (const LayoutError& e) {
        return e.what();
    }
}

} // namespace

TEST(PlanLimits, SizesNoImageCanHoldAreRefusedNamingTheFile) {
    for (int fileSystems : {1, 3, 4, 5, 7}) {
        std::string refusal = planOf({5, 1ull << 60}, fileSystems);
        EXPECT_NE(refusal.find("\\f1.bin claims 1152921504606846976 bytes"), std::string::npos)
            << fileSystems << ": " << refusal;
        // Exactly 2^32 blocks is one block more than block addresses reach.
        refusal = planOf({0xFFFFFFFFull * 2048}, fileSystems);
        EXPECT_NE(refusal.find("more than an image can hold"), std::string::npos) << refusal;
    }
    // Files that fit one by one but not together.
    EXPECT_NE(planOf({3 * kTiB, 3 * kTiB, 3 * kTiB}, 1).find("too large"), std::string::npos);
    // UDF records a file in one file entry of at most 234 extents of just under 1 GiB.
    EXPECT_NE(planOf({235ull << 30}, 4).find("larger than UDF can record"), std::string::npos);
    EXPECT_NE(planOf({235ull << 30}, 7).find("larger than UDF can record"), std::string::npos);
}

TEST(PlanLimits, LargeButPossibleImagesAreBuiltWithTheirDataAndLittleMore) {
    std::uint64_t blocks = 0;
    ASSERT_EQ(planOf({3 * kTiB, 3 * kTiB}, 3, &blocks), "built");
    EXPECT_GT(blocks, 6 * kTiB / 2048);
    EXPECT_LT(blocks, 6 * kTiB / 2048 + 512); // folders with 1536 extent records
    ASSERT_EQ(planOf({200ull << 30}, 7, &blocks), "built");
    EXPECT_GT(blocks, (200ull << 30) / 2048);
    EXPECT_LT(blocks, (200ull << 30) / 2048 + 512);
}

TEST(TargetFile, GetsTheModeTheUserUmaskGivesNewFiles) {
    testsupport::TempDir dir;
    const mode_t old = ::umask(027);
    {
        TargetFile file(dir / "a");
        file.commit();
    }
    ::umask(077);
    {
        TargetFile file(dir / "b");
        file.commit();
    }
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::stat((dir / "b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}
