// Reading and writing the preferences file: every write of a user default
// reads the file on disk, merges the one key and writes it all back.

#include "foundation/PropertyList.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// What the program itself keeps: its two launch defaults and a shortcut for
// each of `applications` applications.
Dictionary programPreferences(int applications)
{
    Dictionary shortcuts;
    for (int i = 0; i < applications; ++i)
        shortcuts.setObject(String::format("^~%c", 'a' + i % 26), String::format("Application %d", i));
    return Dictionary{{"shortcut-Kestrova", "^\t"},
                      {"rememberShortcuts", Id::boolean(true)},
                      {"miniMode", Id::boolean(false)},
                      {"shortcuts", shortcuts}};
}

// A file another writer filled: dates, large integers, reals, data, nesting.
std::string otherWriterFile()
{
    std::ifstream in(KESTROVA_SOURCE_DIR "/tests/foundation/fixtures/OtherWriterPreferences.plist", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string bytesOf(const Id& value, PropertyList::Format format)
{
    auto bytes = PropertyList::serialize(value, format);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void parse(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        auto read = PropertyList::parse(bytes.data(), bytes.size());
        if (!read.ok())
            state.SkipWithError("unreadable");
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_ParseProgramPreferencesXML(benchmark::State& state)
{
    parse(state, bytesOf(programPreferences(static_cast<int>(state.range(0))), PropertyList::Format::XML));
}
BENCHMARK(BM_ParseProgramPreferencesXML)->Arg(5)->Arg(50);

void BM_ParseOtherWriterXML(benchmark::State& state)
{
    parse(state, otherWriterFile());
}
BENCHMARK(BM_ParseOtherWriterXML);

void BM_ParseOtherWriterBinary(benchmark::State& state)
{
    std::string xml = otherWriterFile();
    auto read = PropertyList::parse(xml.data(), xml.size());
    if (!read.ok()) {
        state.SkipWithError("unreadable fixture");
        return;
    }
    parse(state, bytesOf(read->value, PropertyList::Format::Binary));
}
BENCHMARK(BM_ParseOtherWriterBinary);

void BM_SerializeOtherWriterXML(benchmark::State& state)
{
    std::string xml = otherWriterFile();
    auto read = PropertyList::parse(xml.data(), xml.size());
    if (!read.ok()) {
        state.SkipWithError("unreadable fixture");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(PropertyList::serialize(read->value, PropertyList::Format::XML));
}
BENCHMARK(BM_SerializeOtherWriterXML);

}  // namespace
