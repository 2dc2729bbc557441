#include "support/company_example.h"

#include <cstdio>

namespace trelk::testing {

namespace {

ProductBuilder::Values part(const char* number, const char* description, const char* material, const char* mass,
                            const char* cost) {
    return {
        {"PART_NUMBER", number}, {"DESCRIPTION", description}, {"MATERIAL", material}, {"MASS", mass}, {"COST", cost}};
}

ProductBuilder::Values assembly(const char* number, const char* description) {
    return {{"PART_NUMBER", number}, {"DESCRIPTION", description}};
}

// The parts' own values changed for revision B, before the assemblies take theirs from them.
void reviseToB(Product& product) {
    auto set = [&](const char* model, const char* parameter, const char* value) {
        for (Model& m : product.models)
            if (m.name == model)
                for (auto& p : m.parameters)
                    if (p.first == parameter) p.second = value;
    };
    set("SIDE_CHANNEL_U100_2000", "MATERIAL", "S355J2");
    set("GUARD_COVER", "MATERIAL", "AlMg3");
    set("GUARD_COVER", "MASS", "1.150");
    set("TORQUE_ARM", "DESCRIPTION", "Torque arm, reinforced");
}

Product conveyor(bool revisionB) {
    ProductBuilder b;
    b.part("LEG_TUBE_60X60", part("BL-2011", "Leg tube 60x60x4", "S235JR", "6.420", "18.40"))
        .part("FOOT_PLATE_150", part("BL-2012", "Foot plate 150x150", "S235JR", "1.770", "6.10"))
        .part("LEVELLING_SCREW_M16", part("N-0816", "Levelling screw M16", "8.8 zinc", "0.310", "4.75"))
        .assembly("SUPPORT_LEG_ASM", {{"LEG_TUBE_60X60", 1}, {"FOOT_PLATE_150", 1}, {"LEVELLING_SCREW_M16", 1}},
                  assembly("BL-2010", "Support leg"))
        .part("SIDE_CHANNEL_U100_2000", part("BL-2001", "Side channel U100 x 2000", "S235JR", "21.200", "42.00"))
        .part("CROSS_MEMBER_L50", part("BL-2002", "Cross member L50x5", "S235JR", "2.350", "7.80"))
        .part("HEX_BOLT_ISO4017_M10X30", part("N-1030", "Hex bolt ISO 4017 M10x30", "8.8 zinc", "0.029", "0.18"))
        .part("HEX_NUT_ISO4032_M10", part("N-2010", "Hex nut ISO 4032 M10", "8 zinc", "0.011", "0.06"))
        .assembly("FRAME_SECTION_ASM",
                  {{"SIDE_CHANNEL_U100_2000", 2},
                   {"CROSS_MEMBER_L50", 3},
                   {"SUPPORT_LEG_ASM", 2},
                   {"HEX_BOLT_ISO4017_M10X30", 12},
                   {"HEX_NUT_ISO4032_M10", 12}},
                  assembly("BL-2000", "Frame section 2 m"))
        .part("PULLEY_SHELL_D219", part("BL-3011", "Pulley shell D219 x 650", "S355J2", "14.600", "96.00"))
        .part("PULLEY_SHAFT_D40", part("BL-3012", "Pulley shaft D40 x 820", "C45", "8.090", "38.50"))
        .part("LAGGING_RUBBER_8MM", part("BL-3013", "Rubber lagging 8 mm", "NR 60 Shore A", "1.900", "24.00"))
        .part("FEATHER_KEY_12X8X50", part("N-3050", "Feather key 12x8x50", "C45", "0.038", "0.90"))
        .assembly(
            "DRIVE_PULLEY_ASM",
            {{"PULLEY_SHELL_D219", 1}, {"PULLEY_SHAFT_D40", 1}, {"LAGGING_RUBBER_8MM", 1}, {"FEATHER_KEY_12X8X50", 1}},
            assembly("BL-3010", "Drive pulley, lagged"))
        .part("GEAR_MOTOR_1_5KW", part("E-0150", "Gear motor 1.5 kW i=25", "", "38.000", "684.00"))
        .part("MOTOR_MOUNT_PLATE", part("BL-3002", "Motor mount plate 12 mm", "S235JR", "5.480", "31.20"))
        .part("TORQUE_ARM", part("BL-3003", "Torque arm", "S235JR", "1.120", "12.60"))
        .part("FLANGE_BEARING_UCF208", part("K-0208", "Flange bearing UCF 208", "GG25", "2.600", "27.90"))
        .part("HEX_BOLT_ISO4017_M12X40", part("N-1240", "Hex bolt ISO 4017 M12x40", "8.8 zinc", "0.049", "0.26"))
        .part("HEX_NUT_ISO4032_M12", part("N-2012", "Hex nut ISO 4032 M12", "8 zinc", "0.017", "0.08"))
        .part("GUARD_COVER", part("BL-3004", "Guard cover, perforated", "DC01 RAL 1003", "3.300", "22.40"))
        .assembly("DRIVE_STATION_ASM",
                  {{"DRIVE_PULLEY_ASM", 1},
                   {"GEAR_MOTOR_1_5KW", 1},
                   {"MOTOR_MOUNT_PLATE", 1},
                   {"TORQUE_ARM", 1},
                   {"FLANGE_BEARING_UCF208", 2},
                   {"HEX_BOLT_ISO4017_M12X40", 8},
                   {"HEX_NUT_ISO4032_M12", 8},
                   {"GUARD_COVER", 1}},
                  assembly("BL-3000", "Drive station"))
        .part("TAIL_PULLEY_D168", part("BL-4001", "Tail pulley D168 x 650", "S355J2", "11.300", "74.00"))
        .part("TAKE_UP_SCREW_M20", part("BL-4002", "Take-up screw M20 x 300", "C45", "0.740", "9.30"))
        .part("BELT_SCRAPER", part("BL-4003", "Belt scraper, PU blade", "PU 90 Shore A", "2.150", "58.00"))
        .assembly("TAIL_STATION_ASM",
                  {{"TAIL_PULLEY_D168", 1},
                   {"PULLEY_SHAFT_D40", 1},
                   {"TAKE_UP_SCREW_M20", 2},
                   {"FLANGE_BEARING_UCF208", 2},
                   {"BELT_SCRAPER", 1}},
                  assembly("BL-4000", "Tail station with take-up"))
        .part("IDLER_ROLLER_D89", part("BL-5001", "Idler roller D89 x 250", "S235JR", "3.050", "11.70"))
        .part("IDLER_FRAME_TROUGH_30", part("BL-5002", "Idler frame, 30 deg trough", "S235JR", "4.600", "15.90"))
        .assembly("IDLER_SET_ASM",
                  {{"IDLER_ROLLER_D89", 3},
                   {"IDLER_FRAME_TROUGH_30", 1},
                   {"HEX_BOLT_ISO4017_M10X30", 2},
                   {"HEX_NUT_ISO4032_M10", 2}},
                  assembly("BL-5000", "Troughed idler set"))
        .part("CONTROL_BOX_IP65", part("E-1001", "Control box IP65 400x300", "", "7.900", "212.00"))
        .part("MOTOR_CABLE_4G1_5", part("E-1002", "Motor cable 4G1.5, 5 m", "", "0.650", "14.50"))
        .part("CABLE_GLAND_M20", part("E-1003", "Cable gland M20", "PA6", "0.012", "0.85"))
        .part("EMERGENCY_STOP_BUTTON", part("E-1004", "Emergency stop button", "", "0.180", "23.60"))
        .part("PULL_WIRE_SWITCH", part("E-1005", "Pull-wire switch", "", "1.250", "96.00"))
        .assembly("CONTROL_BOX_ASM",
                  {{"CONTROL_BOX_IP65", 1},
                   {"MOTOR_CABLE_4G1_5", 1},
                   {"CABLE_GLAND_M20", 3},
                   {"EMERGENCY_STOP_BUTTON", 1},
                   {"PULL_WIRE_SWITCH", 2}},
                  assembly("E-1000", "Controls"))
        .part("CONVEYOR_BELT_EP400_2000",
              part("BL-1001", "Belt EP400/3 650 wide, endless", "EP/NR", "48.600", "512.00"))
        .part("WASHER_ISO7089_12", part("N-3012", "Washer ISO 7089 12", "200 HV zinc", "0.006", "0.03"))
        .part("SKIRT_RUBBER_STRIP", part("BL-1002", "Skirt rubber strip 2 m", "SBR", "2.400", "19.00"))
        .assembly("BELT_CONVEYOR_2000",
                  {{"FRAME_SECTION_ASM", 3},
                   {"DRIVE_STATION_ASM", 1},
                   {"TAIL_STATION_ASM", 1},
                   {"IDLER_SET_ASM", 12},
                   {"CONTROL_BOX_ASM", 1},
                   {"CONVEYOR_BELT_EP400_2000", 1},
                   {"HEX_BOLT_ISO4017_M12X40", 16},
                   {"HEX_NUT_ISO4032_M12", 16},
                   {"WASHER_ISO7089_12", 32},
                   {"SKIRT_RUBBER_STRIP", 2}},
                  assembly("BL-0001", "Belt conveyor 650 x 6000"));
    Product product = b.build({{"PART_NUMBER"}, {"DESCRIPTION"}, {"MATERIAL"}, {"MASS", true, 3}, {"COST", true, 2}});
    if (revisionB) reviseToB(product);
    const Truth truth = truthOf(product);
    for (size_t a = 0; a < product.models.size(); ++a) {
        if (!product.models[a].assembly) continue;
        char mass[32], cost[32];
        std::snprintf(mass, sizeof mass, "%.3f", truth.treeTotal.at("MASS")[a].value());
        std::snprintf(cost, sizeof cost, "%.2f", truth.treeTotal.at("COST")[a].value());
        product.models[a].parameters.emplace_back("MASS", mass);
        product.models[a].parameters.emplace_back("COST", cost);
    }
    return product;
}

}  // namespace

Product conveyorProduct() { return conveyor(false); }

Product conveyorRevisionB() { return conveyor(true); }

RenderOptions conveyorOptions() {
    RenderOptions options;
    options.lineEnd = "\r\n";
    options.byteOrderMark = true;
    return options;
}

}  // namespace trelk::testing
