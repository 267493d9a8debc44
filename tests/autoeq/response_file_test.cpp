// Reading measurements and targets: each text form, sorting and repeated frequencies, and the
// texts that are refused with their line.
#include "autoeq/response_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace vt::autoeq {
namespace {

// Ten points 20 Hz .. 10240 Hz, one octave apart, level = octave number.
std::string tenLines(const std::string& separator, const std::string& tail = "") {
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += std::to_string(20 << i) + separator + std::to_string(i) + ".5" + tail + "\n";
    return text;
}

TEST(ResponseFile, ReadsEveryTextForm) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"export with comments and phase",
         "* Measurement data measured by a measurement program\n"
         "* Freq(Hz) SPL(dB) Phase(degrees)\n" +
             tenLines(" ", " -12.25")},
        {"CSV with a header", "frequency,raw,error,smoothed\n" + tenLines(",", ",1.0,2.0")},
        {"CSV with other column names", "freq_hz,spl_db,phase_deg\r\n" + tenLines(", ", ",-3")},
        {"tabs", tenLines("\t")},
        {"blanks and a comment", "# my headphones\n" + tenLines("   ")},
        {"semicolons with decimal commas",
         [] {
             std::string t = "Frequency;Level\n";
             for (int i = 0; i < 10; ++i)
                 t += std::to_string(20 << i) + ";" + std::to_string(i) + ",5\n";
             return t;
         }()},
        {"exponents and a plus sign",
         [] {
             std::string t;
             for (int i = 0; i < 10; ++i)
                 t += std::to_string(20 << i) + ".0e0 +" + std::to_string(i) + "5e-1\n";
             return t;
         }()},
    };
    for (const auto& c : cases) {
        const ResponseRead r = readResponse(c.text, kFewestMeasurementPoints);
        ASSERT_EQ(r.problem, "") << c.name;
        ASSERT_EQ(r.points.size(), 10u) << c.name;
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(r.points[static_cast<std::size_t>(i)].hz, 20 << i) << c.name;
            EXPECT_EQ(r.points[static_cast<std::size_t>(i)].db, i + 0.5) << c.name;
        }
    }
}

TEST(ResponseFile, SortsAndKeepsTheFirstOfARepeatedFrequency) {
    const ResponseRead r = readResponse("1000 1\n100 2\n1000 3\n0 9\n-5 9\n10 4\n", 3);
    ASSERT_EQ(r.problem, "");
    ASSERT_EQ(r.points.size(), 3u);  // 0 Hz and below are not usable
    EXPECT_EQ(r.points[0].hz, 10);
    EXPECT_EQ(r.points[1].hz, 100);
    EXPECT_EQ(r.points[2].hz, 1000);
    EXPECT_EQ(r.points[2].db, 1);
}

TEST(ResponseFile, RefusesWithTheLineNamed) {
    const struct {
        const char* name;
        std::string text;
        int line;
        const char* problem;
    } cases[] = {
        {"nan level", "* c\n20 1\n30 nan\n" + tenLines(" "), 3,
         "a value that is not a finite number"},
        {"infinite frequency", tenLines(" ") + "inf 3\n", 11,
         "a value that is not a finite number"},
        {"a level no measurement has", tenLines(" ") + "1000 -1e300\n", 11,
         "a level beyond 1000 dB"},
        // Found by the fuzzer: between them, the correction made of such a pair was not finite.
        {"a frequency near zero", "1e-315 999\n1e300 -999\n" + tenLines(" "), 1,
         "a frequency outside 0.001 Hz to 1 MHz"},
        {"a frequency far above hearing", tenLines(" ") + "1e300 -999\n", 11,
         "a frequency outside 0.001 Hz to 1 MHz"},
        {"words after the pairs", tenLines(" ") + "end of data\n", 11,
         "not a frequency and level pair"},
        {"a second header", "frequency,raw\nHz,dB\n" + tenLines(","), 2,
         "not a frequency and level pair"},
        {"one column", "20\n" + tenLines(" "), 1, "not a frequency and level pair"},
        {"level missing in a CSV", "f,l\n20,,3\n" + tenLines(","), 2,
         "not a frequency and level pair"},
        {"nine points", "frequency,raw\n" + tenLines(",").substr(tenLines(",").find('\n') + 1), 0,
         "only 9 usable points, at least 10 needed"},
        {"nothing", "* only comments\n", 0, "only 0 usable points, at least 10 needed"},
    };
    for (const auto& c : cases) {
        const ResponseRead r = readResponse(c.text, kFewestMeasurementPoints);
        EXPECT_EQ(r.problem, c.problem) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
        EXPECT_TRUE(r.points.empty()) << c.name;
    }
    // A target may be a single point.
    EXPECT_EQ(readResponse("# flat\n1000 0\n", kFewestTargetPoints).points.size(), 1u);
}

TEST(ResponseFile, RefusesAFileOverFourMebibytes) {
    const auto path = std::filesystem::temp_directory_path() / "autoeq_large_measurement.txt";
    {
        std::ofstream out(path);
        const std::string line = "1000.000000 80.000000 0.000000\n";
        for (std::size_t written = 0; written <= kLargestResponseFile; written += line.size())
            out << line;
    }
    const ResponseRead r = loadResponse(path.string(), kFewestMeasurementPoints);
    EXPECT_EQ(r.problem, "larger than 4 MiB");
    std::filesystem::remove(path);
    EXPECT_EQ(loadResponse(path.string(), 1).problem, "cannot be read");
}

}  // namespace
}  // namespace vt::autoeq
