// effSetChunk with whatever bytes a host hands back: a song saved by another
// version, a damaged file, the chunk of another plug-in. Each input goes into
// a freshly opened effect as a bank (index 0) and then as a program (index
// 1); the effect then has to save a state that it loads again unchanged,
// render sane audio and close.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/fuzz/fuzz_host.h"

namespace kestrelon {

namespace {

constexpr int kBlockSize = 512;

}  // namespace

}  // namespace kestrelon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    const std::vector<std::uint8_t> chunk(data, data + size);
    FuzzHost host{HostAnswers{}};
    FUZZ_CHECK(host.Load(), "VSTPluginMain gave no record", 0);
    host.Start(44100.0f, kBlockSize);
    const std::size_t programSize = host.GetChunk(1).size();

    for (const vst2::VstInt32 index : {0, 1}) {
        host.SetChunk(index, chunk);
        host.CheckRecord();
    }

    // Whatever was loaded, what the effect saves now it loads again as it is.
    const std::vector<std::uint8_t> program = host.GetChunk(1);
    FUZZ_CHECK(program.size() == programSize, "program chunk size changed", static_cast<long long>(program.size()));
    const std::vector<std::uint8_t> bank = host.GetChunk(0);
    FUZZ_CHECK(host.SetChunk(1, program) == 1, "own program chunk refused", 1);
    FUZZ_CHECK(host.GetChunk(1) == program, "program chunk changed by reloading it", 1);
    FUZZ_CHECK(host.SetChunk(0, bank) == 1, "own bank refused", 0);
    FUZZ_CHECK(host.GetChunk(0) == bank, "bank changed by reloading it", 0);
    host.CheckRecord();

    for (int block = 0; block < 3; ++block)
        host.RenderTestBlocks(kBlockSize);
    // Longer than the announced block: the effect takes it in slices.
    host.RenderTestBlocks(kBlockSize * 2 + 17);
    host.CheckRecord();
    host.Close();
    return 0;
}
