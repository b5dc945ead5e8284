#include "tests/support/model_runs.h"

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vem_test {

void ModelDisagrees(const char* file, int line, const char* what) {
  throw std::logic_error(std::string(file) + ":" + std::to_string(line) + ": " + what);
}

void RunSeeds(void (*run)(OpStream&), int seeds, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (int seed = 0; seed < seeds; ++seed) {
    std::mt19937 random(static_cast<uint32_t>(seed));
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
    OpStream in(data.data(), data.size());
    try {
      run(in);
    } catch (const std::logic_error& disagreement) {
      ADD_FAILURE() << "seed " << seed << ": the model disagrees at " << disagreement.what();
      return;
    }
  }
}

}  // namespace vem_test
