// The choices that drive a model run, read from bytes: a fuzzer's input, or
// the bytes of a seeded random generator in the property tests. Reading past
// the end yields zeros, so every input is a complete run.
#ifndef VEMMISC_TESTS_MODELS_OP_STREAM_H_
#define VEMMISC_TESTS_MODELS_OP_STREAM_H_

#include <cstddef>
#include <cstdint>

namespace vem_test {

class OpStream {
 public:
  OpStream(const uint8_t* data, size_t size) : data_(data), end_(data + size) {}

  bool More() const { return data_ < end_; }
  uint8_t Byte() { return data_ < end_ ? *data_++ : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  uint32_t Bits32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // A number from lo to hi, both included.
  int32_t Range(int32_t lo, int32_t hi) {
    const uint32_t span = static_cast<uint32_t>(hi - lo) + 1;
    const uint32_t raw = span <= 256 ? Byte() : Bits32();
    return static_cast<int32_t>(static_cast<uint32_t>(lo) + (span == 0 ? raw : raw % span));
  }
  template <typename T, size_t N>
  T Pick(const T (&items)[N]) {
    return items[Range(0, static_cast<int32_t>(N) - 1)];
  }

 private:
  const uint8_t* data_;
  const uint8_t* end_;
};

// Distinct pointers for the values of a container, never dereferenced; 0 is null.
template <typename T>
T* Token(int32_t n) {
  return n == 0 ? nullptr : reinterpret_cast<T*>(uintptr_t{0x1000} + 16 * static_cast<uintptr_t>(n));
}

// A disagreement with a model. The property tests turn it into a test
// failure naming the seed; the fuzzers abort, which libFuzzer reports with
// the input that led there.
[[noreturn]] void ModelDisagrees(const char* file, int line, const char* what);

#define MODEL_CHECK(condition) ((condition) ? (void)0 : ::vem_test::ModelDisagrees(__FILE__, __LINE__, #condition))

// The runs, one per concept: each reads operations from the stream, applies
// them to the library and to its model, and checks every result.
void RunHashtable(OpStream& in);
void RunVectors(OpStream& in);
void RunParams(OpStream& in);
void RunNarrowText(OpStream& in);  // where the narrow encoding is UTF-8
void RunRegFile(OpStream& in);     // the whole stream is one registration file

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MODELS_OP_STREAM_H_
