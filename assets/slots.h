// The texture slots by name. Everything the show draws asks for its picture
// by the name of a slot, and the asset generator paints each slot's picture
// under the same name (kSlotGlobe is painted by paintGlobe).
#pragma once

#include <cstdint>

// The slots, numbered as the texture table holds them.
constexpr int32_t kSlotParticle = 0;        // every sprite of the swarm
constexpr int32_t kSlotSpare = 1;           // loaded, never shown
constexpr int32_t kSlotGlobe = 2;           // the mesh
constexpr int32_t kSlotNightWall = 3;       // the backdrop of the opening
constexpr int32_t kSlotMoonSkin = 4;        // the satellite
constexpr int32_t kSlotBallSkin = 5;        // the satellite while it bounces
constexpr int32_t kSlotStripeWall = 6;      // the backdrop of the first drop
constexpr int32_t kSlotCircuitWall = 7;     // the backdrop of the credits
constexpr int32_t kSlotRingWall = 8;        // the backdrop of the second drop
constexpr int32_t kSlotEmblemCard = 9;      // the small card
constexpr int32_t kSlotPanelCube = 10;      // the mesh while it is a cube
constexpr int32_t kSlotEmberSkin = 11;      // the satellite beside the cube
constexpr int32_t kSlotFlashCard = 12;      // the small card after its switch
constexpr int32_t kSlotTitleBanner = 13;    // title card: the show's name
constexpr int32_t kSlotCodeBanner = 14;     // title card: credits for the code
constexpr int32_t kSlotClosingBanner = 15;  // title card: the closing line
constexpr int32_t kSlotMusicBanner = 16;    // title card: credits for music and pictures
constexpr int32_t kSlotSunsetWall = 17;     // the backdrop of the third drop
constexpr int32_t kSlotSpaceWall = 18;      // the backdrop of the bounce and the finale
constexpr int32_t kSlotEmpty = 19;          // names no file; its texture is always 0

// Size of the table: every slot above lies below it.
constexpr int kTextureSlots = 20;

// The picture file of each slot, relative to the show's folder; the empty
// slot names none. Read by the texture table and by the asset generator.
constexpr const char* kSlotFiles[kTextureSlots] = {
    "tex00.png", "tex01.png", "tex02.png", "tex03.png", "tex04.png", "tex05.png", "tex06.png",
    "tex07.png", "tex08.png", "tex09.png", "tex10.png", "tex11.png", "tex12.png", "tex13.png",
    "tex14.png", "tex15.png", "tex16.png", "tex17.png", "tex18.png", nullptr,
};
