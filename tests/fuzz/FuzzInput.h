#pragma once
// Takes typed values off the front of a fuzzer's byte string; reads past the end give zeros, so
// every input, however short, is a complete run.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput
{
  public:
    FuzzInput(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool empty() const { return position >= size; }
    size_t remaining() const { return position < size ? size - position : 0; }

    template <typename T> T take()
    {
        T value{};
        const size_t n = remaining() < sizeof(T) ? remaining() : sizeof(T);
        if (n) std::memcpy(&value, data + position, n);
        position += sizeof(T);
        return value;
    }
    uint8_t byte() { return take<uint8_t>(); }
    // Up to `limit` bytes, fewer near the end.
    std::string bytes(size_t limit)
    {
        const size_t n = remaining() < limit ? remaining() : limit;
        std::string out(reinterpret_cast<const char*>(data + position), n);
        position += n;
        return out;
    }
    // A float that is often one of the values hosts get wrong.
    float hostileFloat()
    {
        static const float special[] = {0.0f,
                                        -0.0f,
                                        1.0f,
                                        -1.0f,
                                        0.5f,
                                        1e-45f,
                                        3.4e38f,
                                        __builtin_nanf(""),
                                        __builtin_inff(),
                                        -__builtin_inff(),
                                        44100.0f,
                                        384000.0f,
                                        2.0f,
                                        1e9f};
        const uint8_t pick = byte();
        if (pick < 128) return special[pick % (sizeof special / sizeof special[0])];
        return take<float>();
    }

  private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};
