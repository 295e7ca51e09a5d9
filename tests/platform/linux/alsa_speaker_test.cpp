// The beep through real alsa-lib: captured by ALSA's file plugin and measured, with no device,
// and over thousands of opens.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/tones.h"
#include "support/wait.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using namespace sorvane::testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class AlsaBeep : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("sorvane-alsa-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The system's own configuration first, then our default device.
    Env withDefault(const std::string& pcm) {
        const auto conf = dir / "asound.conf";
        std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\npcm.!default " << pcm << "\n";
        return {"ALSA_CONFIG_PATH=" + conf.string()};
    }
    std::map<std::string, long> probe(const std::vector<std::string>& args, const Env& env,
                                      std::string* err = nullptr) {
        std::vector<std::string> argv{SORVANE_BEEP_PROBE};
        argv.insert(argv.end(), args.begin(), args.end());
        const RunResult r = run(argv, env, 60s);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        if (err) *err = r.err;
        std::map<std::string, long> values;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos)
                values[line.substr(0, eq)] = std::stol(line.substr(eq + 1));
        }
        return values;
    }
    fs::path dir;
};

TEST_F(AlsaBeep, FiveTonesAtTheirFrequenciesTakeAtLeastHalfASecond) {
    const auto raw = dir / "beep.raw";
    const auto env = withDefault("{ type file; slave { pcm { type null } } file \"| cat >> " +
                                 raw.string() + "\" format raw }");
    std::string err;
    auto v = probe({"five"}, env, &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(v["results"], 11111);
    EXPECT_GE(v["elapsed_ms"], 500);
    EXPECT_LT(v["elapsed_ms"], 2000);

    const std::uintmax_t expected = 5 * 4800 * sizeof(std::int16_t);
    // The pipe's cat may still be writing when the probe returns.
    ASSERT_TRUE(waitUntil([&] {
        std::error_code ec;
        return fs::file_size(raw, ec) >= expected && !ec;
    }));
    std::ifstream in(raw, std::ios::binary);
    std::vector<std::int16_t> samples(fs::file_size(raw) / 2);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    EXPECT_GE(samples.size(), 5u * 4800u) << "five tones of 100 ms at 48 kHz";

    const auto tones = toneFrequencies(samples);
    const std::vector<double> wanted{1010, 1505, 2000, 1505, 1010};
    ASSERT_EQ(tones.size(), wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i)
        EXPECT_NEAR(tones[i], wanted[i], 2.0) << "tone " << i + 1;
}

TEST_F(AlsaBeep, WithoutADeviceItIsSilentButStillTakesItsTime) {
    std::string err;
    // A card that does not exist: alsa-lib would print "cannot find card" on stderr.
    auto v = probe({"five"}, withDefault("{ type hw; card 7 }"), &err);
    EXPECT_EQ(err, "") << "alsa-lib's own printing is silenced";
    EXPECT_EQ(v["results"], 0);
    EXPECT_GE(v["elapsed_ms"], 500);
    EXPECT_LT(v["elapsed_ms"], 1500);
}

TEST_F(AlsaBeep, ThousandsOfTonesLeaveNoDeviceOpen) {
    auto v = probe({"leak", "2000"}, withDefault("{ type null }"));
    EXPECT_EQ(v["played"], 2000);
    EXPECT_EQ(v["fds_after"], v["fds_before"]);
}

} // namespace
