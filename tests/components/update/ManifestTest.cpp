#include "UpdateFixtures.h"

#include "update/Manifest.h"
#include "update/Transport.h"

#include <gtest/gtest.h>

using namespace update;

namespace {

Manifest Sample() {
    Manifest m;
    m.product = "Platterly";
    m.version = "1.2.3";
    m.package = "pkg.tar.xz";
    m.size = 4096;
    m.sha256 = *FromHex<32>(std::string(64, 'a'));
    return m;
}

} // namespace

TEST(Manifest, SignedManifestReadsBackAndAnyChangedByteIsRefused) {
    const auto keys = updatetest::MakeKeys();
    const std::string text = SignManifest(Sample(), keys.secret).value();
    const ManifestResult ok = ParseManifest(text, keys.pub);
    ASSERT_TRUE(ok.manifest) << ok.error;
    EXPECT_EQ(ok.manifest->version, "1.2.3");
    EXPECT_EQ(ok.manifest->size, 4096u);
    EXPECT_EQ(ok.manifest->package, "pkg.tar.xz");

    std::string tampered = text;
    tampered.replace(tampered.find("size=4096"), 9, "size=4097");
    const ManifestResult bad = ParseManifest(tampered, keys.pub);
    EXPECT_FALSE(bad.manifest);
    EXPECT_TRUE(bad.badSignature);

    const auto other = updatetest::MakeKeys();
    EXPECT_TRUE(ParseManifest(text, other.pub).badSignature);

    std::string unsignedText = text.substr(0, text.find("signature="));
    EXPECT_TRUE(ParseManifest(unsignedText, keys.pub).badSignature);
}

TEST(Manifest, GarbageAndIncompleteManifestsGiveAnErrorNotACrash) {
    const auto keys = updatetest::MakeKeys();
    for (const std::string& garbage :
         {std::string(), std::string("\0\1\2\3", 4), std::string("<html>404</html>"),
          std::string("signature=zz\n"), std::string(100000, 'x')}) {
        const ManifestResult r = ParseManifest(garbage, keys.pub);
        EXPECT_FALSE(r.manifest);
        EXPECT_FALSE(r.error.empty());
    }
    // Signed but without a package digest: refused although the signature holds.
    const std::string body = "format=platterly-update-1\nproduct=Platterly\nversion=2.0\n"
                             "package=p\nsize=10\n";
    const std::string text = body + "signature=" + ToHex(*Sign(keys.secret, body)) + "\n";
    const ManifestResult r = ParseManifest(text, keys.pub);
    EXPECT_FALSE(r.manifest);
    EXPECT_FALSE(r.badSignature);
}

TEST(Manifest, ReinstallEntryNeedsNoPackage) {
    const auto keys = updatetest::MakeKeys();
    Manifest m;
    m.product = "Platterly";
    m.version = "3.0";
    m.reinstall = "https://platterly.org/download/";
    const ManifestResult r = ParseManifest(SignManifest(m, keys.secret).value(), keys.pub);
    ASSERT_TRUE(r.manifest) << r.error;
    EXPECT_EQ(r.manifest->reinstall, "https://platterly.org/download/");
}

TEST(Manifest, VersionsCompareNumerically) {
    EXPECT_EQ(CompareVersions("0.10.0", "0.9.9"), 1);
    EXPECT_EQ(CompareVersions("1.0", "1.0.0"), 0);
    EXPECT_EQ(CompareVersions("1.2", "1.10"), -1);
    EXPECT_FALSE(CompareVersions("1.x", "1"));
    EXPECT_FALSE(CompareVersions("", "1"));
    EXPECT_FALSE(CompareVersions("1..2", "1"));
}

TEST(Transport, OnlyHttpsLoopbackHttpAndLocalFilesAreFetched) {
    EXPECT_FALSE(CheckAddress("https://platterly.org/update.manifest"));
    EXPECT_FALSE(CheckAddress("http://127.0.0.1:8080/u"));
    EXPECT_FALSE(CheckAddress("http://[::1]/u"));
    EXPECT_FALSE(CheckAddress("file:///srv/mirror/update.manifest"));
    EXPECT_TRUE(CheckAddress("http://platterly.org/update.manifest"));
    EXPECT_TRUE(CheckAddress("http://127.0.0.1.evil.example/u"));
    EXPECT_TRUE(CheckAddress("ftp://127.0.0.1/u"));
    EXPECT_TRUE(CheckAddress("not an address"));
    EXPECT_EQ(ResolveAddress("https://a.org/x/update.manifest", "pkg.tar.xz"),
              "https://a.org/x/pkg.tar.xz");
}
