// The launcher's resource block: its file version and deployment texts. The
// publisher and the tests stamp copies of the executable with other values
// (tools/zorbit-resource); the launcher reads its own block from memory.
//
//   FileVersion         the version text, as the setup host publishes it too
//   104                 install host (setup server)
//   105                 base host (web site)
//   ProductionDomain    the platform's production domain, with a leading dot
//   StagingDomain       the staging domain, with a leading dot
//   StagingSiteLabel    the staging site's label, with a leading dot
//   SiteDomain          the site domain that picks this build's own URL scheme
//   StandardSetupHost   the platform's standard setup host
//   StandardContentHost its standard content-delivery host
//
// The defaults point at the local platform server (tools/zorbit-platform-server)
// on its default port.
#include <array>
#include <cstddef>

namespace {

constexpr char kBegin[] = "@@ZORBIT_RESOURCE_BLOCK_BEGIN@@";
constexpr char kEnd[] = "@@ZORBIT_RESOURCE_BLOCK_END@@";
constexpr size_t kCapacity = 4096;  // platform::kResourceBlockCapacity
constexpr size_t kSize = sizeof kBegin - 1 + kCapacity + sizeof kEnd - 1;

template <size_t N>
constexpr std::array<char, kSize> makeBlock(const char (&texts)[N]) {
    static_assert(N <= kCapacity, "resource texts too long");
    std::array<char, kSize> block{};
    size_t at = 0;
    for (size_t i = 0; i + 1 < sizeof kBegin; ++i) block[at++] = kBegin[i];
    for (size_t i = 0; i + 1 < N; ++i) block[at + i] = texts[i];
    at += kCapacity;
    for (size_t i = 0; i + 1 < sizeof kEnd; ++i) block[at++] = kEnd[i];
    return block;
}

}  // namespace

// Writable and external so the compiler never folds its contents into the
// code: a stamped copy must be read as stamped.
extern "C" {
extern std::array<char, kSize> zorbit_resource_block;
}
__attribute__((used)) std::array<char, kSize> zorbit_resource_block = makeBlock(
    "FileVersion=1, 6, 3, 173\n"
    "104=www.qasite1.zorbit.localhost:8470\n"
    "105=www.qasite1.zorbit.localhost:8470\n"
    "ProductionDomain=.zorbit.localhost:8470\n"
    "StagingDomain=.zorbit-staging.localhost:8470\n"
    "StagingSiteLabel=.qasite1\n"
    "SiteDomain=ternwick.zorbit.localhost\n"
    "StandardSetupHost=setup.zorbit.localhost:8470\n"
    "StandardContentHost=cdn.zorbit.localhost:8470\n");

extern "C" const char* zorbit_resource_block_texts() {
    return zorbit_resource_block.data() + sizeof kBegin - 1;
}
