// The slots a client writes with the whole image (`write_image`): only slots a preset sets, with
// values the unit takes; anything else refuses the whole request and leaves the image as it was.
#include <gtest/gtest.h>

#include "presets/preset_check.h"
#include "service/unit_json.h"

namespace vt::service {
namespace {

TEST(PresetSlotsJson, TakesOnlySlotsAPresetSetsAndRefusesTheRestWhole) {
    struct Case {
        const char* doc;
        bool taken;
    };
    const Case cases[] = {
        {R"({"slots":[]})", true},
        {R"({"slots":[[1,0,10],[2,33,7],[3,1,65535]]})", true},
        {R"({"slots":[[1,65,4]]})", true},    // past the parameters, written with the image only
        {R"({"slots":[[1,66,4]]})", false},   // past what a preset sets
        {R"({"slots":[[0,12,85]]})", false},  // the System module: commands, the version
        {R"({"slots":[[4,0,1]]})", false},
        {R"({"slots":[[1,-1,1]]})", false},
        {R"({"slots":[[1,0,65536]]})", false},
        {R"({"slots":[[1,0,-1]]})", false},
        {R"({"slots":[[1,0,1.5]]})", false},
        {R"({"slots":[[1,0]]})", false},
        {R"({"slots":[[1,0,1],"x"]})", false},
        {R"({"slots":{}})", false},
        {R"({})", false},
    };
    for (const Case& c : cases) {
        DeviceImage image = presets::noSlotsSet();
        const bool taken = presetSlotsFromJson(nlohmann::ordered_json::parse(c.doc), image);
        EXPECT_EQ(taken, c.taken) << c.doc;
        if (!taken) {
            EXPECT_TRUE(image == presets::noSlotsSet()) << c.doc;
        }
    }
}

TEST(PresetSlotsJson, ReadsBackWhatItWrote) {
    DeviceImage image = presets::noSlotsSet();
    image.set(1, 22, 150);
    image.set(1, 65, 3);
    image.set(3, 1, 0);
    image.set(0, 12, 85);  // not a preset's: left out
    const auto doc = presetSlotsJson(image);
    EXPECT_EQ(doc.dump(), R"({"slots":[[1,22,150],[1,65,3],[3,1,0]]})");
    DeviceImage read = presets::noSlotsSet();
    ASSERT_TRUE(presetSlotsFromJson(doc, read));
    image.set(0, 12, presets::kNotSet);
    EXPECT_TRUE(read == image);
}

}  // namespace
}  // namespace vt::service
