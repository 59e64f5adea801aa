#pragma once

#include "export/CubeFaces.h"

#include <string>
#include <vector>

// What each engine loads a skybox as: its files, named and turned as it
// expects, from the conventions the engines publish.
//
//   quake3     DEST_rt.tga, _bk, _lf, _ft, _up, _dn, and the sky's shader
//              scripts/NAME.shader in the folder above DEST's
//   quake2     DESTrt.tga ... (no underscore), 256 texels a side unless asked
//   halflife   as quake2
//   source     materialsrc/skybox/NAMErt.tga ... and materials/skybox/NAMErt.vmt
//              ..., a skybox material each, in DEST's folder
//   unity      DEST_Front.png, _Back, _Left, _Right, _Up, _Down (6 Sided)
//   godot      DEST.png, the cube map as 2 x 3 faces in the importer's order,
//              and DEST.gdshader, the sky shader that shows it unmirrored
//   three      DEST_px.png ... _nz, and DEST.js, the lines that load them
//
// The Quake family's faces look along the engine's axes by one table (rt
// +X, lf -X, bk +Y, ft -Y, up +Z, dn -Z, z up). North lies along the
// engine's -Y as the run has it (its Direction-named faces as they are), or
// along +Y, the editors' north, when asked.
namespace vantorix::cube {

enum class North { AsTheRunHasIt, AlongTheEngines };

struct Preset {
    const char* Name;
    bool QuakeFamily;  // takes North::AlongTheEngines
};
extern const std::vector<Preset> Presets;

// The preset of that name, or null.
const Preset* FindPreset(const std::string& name);

// Every file the preset writes for DEST, in the order it writes them.
std::vector<std::string> PresetFiles(const Preset& preset, const std::string& dest);

// Writes the preset's files from the sky, faces `size` texels a side (0: the
// sky's own, but at most 256 for quake2 and halflife), through the replacing
// writer. Returns what to tell the user: sizes that differ from what the
// engine takes, where files went, where north lies in the engine, and how to
// turn it there if the engine needs a setting.
std::string WritePreset(const Preset& preset, const std::string& dest, const CubeFaces& sky, North north, int size);

}  // namespace vantorix::cube
