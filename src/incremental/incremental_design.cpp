#include "incremental/incremental_design.h"

namespace vantor {

IncrementalDesign IncrementalDesign::defaults() {
  IncrementalDesign design;
  design.channels[0].type = ChannelType::A;
  design.channels[1].type = ChannelType::B;
  design.channels[2].type = ChannelType::Index;
  return design;
}

}  // namespace vantor
