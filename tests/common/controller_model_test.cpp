#include "common/controller_model.h"

#include <gtest/gtest.h>

#include <string>

namespace lmx {
namespace {

std::string padded(std::string model) {
    model.resize(40, ' ');
    return model;
}

TEST(ControllerModel, PrefixesDecideTheFamilyInTableOrder) {
    EXPECT_EQ(ControllerFamily::Zarkel, matchControllerModel(padded("ZDA-JW100")).family);
    EXPECT_EQ(ControllerFamily::Quessa, matchControllerModel(padded("ZDA-GX460-TT3")).family);
    EXPECT_EQ(ControllerFamily::Quessa, matchControllerModel(padded("Lumavex VBIN-Duplex     ZDA-GX")).family);
    EXPECT_EQ(ControllerFamily::Mollen, matchControllerModel(padded("Lumavex ZDAP-RS481B-H2")).family);
    EXPECT_EQ(ControllerFamily::Mollen, matchControllerModel(padded("Lumavex ZDA-RS481")).family);
    EXPECT_EQ(ControllerFamily::MollenThreeSlot, matchControllerModel(padded("Lumavex ZDAP-RS482")).family);
    EXPECT_TRUE(matchControllerModel(padded("Lumavex ZDA-RS482")).supported);
}

TEST(ControllerModel, RecognisedButUnsupportedAndUnknownModels) {
    const auto zarkelT = matchControllerModel(padded("ZDA-JY200"));
    EXPECT_EQ(ControllerFamily::ZarkelT, zarkelT.family);
    EXPECT_FALSE(zarkelT.supported);

    // Shorter than every RS481/RS482 prefix.
    const auto shortModel = matchControllerModel(padded("Lumavex ZDA-RS48"));
    EXPECT_FALSE(shortModel.family.has_value());
    EXPECT_FALSE(shortModel.supported);
    EXPECT_FALSE(matchControllerModel(padded("WDC WD40EFRX-68N32N0")).supported);
}

TEST(ControllerModel, SlotCountsAndTemperatureModels) {
    EXPECT_EQ(2u, memberSlotCount(ControllerFamily::Zarkel));
    EXPECT_EQ(3u, memberSlotCount(ControllerFamily::ZarkelT));
    EXPECT_EQ(2u, memberSlotCount(ControllerFamily::Mollen));
    EXPECT_EQ(3u, memberSlotCount(ControllerFamily::MollenThreeSlot));
    // A model string counts as its family does; one the table does not know has two slots.
    EXPECT_EQ(3u, memberSlotCount(padded("ZDA-JY200")));
    EXPECT_EQ(3u, memberSlotCount(padded("Lumavex ZDA-RS482")));
    EXPECT_EQ(2u, memberSlotCount(padded("Lumavex ZDAP-RS481B-H2")));
    EXPECT_EQ(2u, memberSlotCount(padded("Lumavex ZDA-RS48")));
    EXPECT_EQ(2u, memberSlotCount(std::string_view()));

    EXPECT_TRUE(isTemperatureModel(padded("ZDA-GX460-TT3")));
    EXPECT_FALSE(isTemperatureModel(padded("ZDA-GX460")));
    EXPECT_FALSE(isTemperatureModel(padded("Lumavex ZDAP-RS481B-H2")));
    EXPECT_TRUE(isTemperatureModel(padded("Lumavex ZDAP-RS481B")));
    EXPECT_TRUE(isTemperatureModel(padded("Lumavex ZDA-RS482")));
    EXPECT_FALSE(isTemperatureModel(padded("ZDA-JW100")));
}

TEST(ControllerModel, DisplaySettingAndThreeDriveModels) {
    EXPECT_TRUE(isDisplaySettingModel(padded("Lumavex ZDAP-RS481")));
    EXPECT_TRUE(isDisplaySettingModel(padded("Lumavex ZDA-RS482")));
    EXPECT_FALSE(isDisplaySettingModel(padded("Lumavex ZDAP-RS481B-H2")));
    EXPECT_FALSE(isDisplaySettingModel(padded("ZDA-GX460-TT3")));
    EXPECT_TRUE(isThreeDriveModel(padded("ZDA-JY200")));
    EXPECT_TRUE(isThreeDriveModel(padded("Lumavex ZDAP-RS482")));
    EXPECT_FALSE(isThreeDriveModel(padded("Lumavex ZDAP-RS481")));
    EXPECT_FALSE(isThreeDriveModel(padded("Lumavex VBIN-Duplex     ZDA-JY")));
    EXPECT_FALSE(isThreeDriveModel(padded("Lumavex ZDA-RS48")));
}

}  // namespace
}  // namespace lmx
