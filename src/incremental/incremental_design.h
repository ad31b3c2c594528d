// The values of the incremental design window that its renderer reads.
// Numeric fields stay the text that the user typed; the renderer converts
// each one at the step that needs it.
#pragma once

#include <array>
#include <string>

#include "common/messages.h"

namespace vantor {

enum class ChannelType { A, B, Index };
enum class IncEdgeMode { Default, User };

struct ChannelTrack {
  ChannelType type = ChannelType::A;
  bool on = true;
  std::string slot_length = "0.125";
  IncEdgeMode edge_mode = IncEdgeMode::Default;
  std::string edge_distance = "0.06125";  // read only in User mode
  std::string balance = "0";              // as text; validated to +-kBalanceLimit

  bool operator==(const ChannelTrack&) const = default;
};

struct IncrementalDesign {
  Unit unit = Unit::Inch;
  std::string scale_num = "1";  // S1
  std::string scale_den = "1";  // S2
  std::string encoder_diameter = "2";
  std::string shaft_diameter = "0.1875";
  std::string resolution = "16";
  int zoom = 100;  // percent, the slider's position
  std::array<ChannelTrack, 3> channels;
  // The sensor mask (sensor_mask.h), as typed: the angle of its window
  // groups in degrees clockwise from 12 o'clock, and the windows a group of
  // an A or B track has (an Index track has one).
  std::string mask_angle = "0";
  std::string mask_windows = "4";

  // The design-time values of the window.
  static IncrementalDesign defaults();

  bool operator==(const IncrementalDesign&) const = default;
};

}  // namespace vantor
