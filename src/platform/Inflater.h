#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velmora {

/// One deflate stream being unpacked piece by piece: a gzip member (its header read and its checksum verified)
/// or a zip file's raw deflate data (its checksum summed, for the caller to compare with the zip's). Unpacked by
/// ISA-L where the build has it, several times as fast as zlib, by zlib otherwise.
class Inflater
{
public:
    enum class Wrapping {
        Gzip, ///< a gzip header, the deflate data and the trailer's CRC-32 and size
        Raw,  ///< the deflate data alone
    };
    enum class Step {
        Going,   ///< more input or room for output is needed
        Ended,   ///< the stream is whole (for a gzip member, its trailer checked)
        Damaged, ///< the bytes are not what the wrapping says, or a checksum does not match
    };

    explicit Inflater(Wrapping wrapping);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    /// False when the system had no memory for the stream's state.
    [[nodiscard]] bool valid() const;

    /// Unpacks what it can of the input into the output, moving both past what was used.
    Step inflate(const unsigned char*& input, std::size_t& inputLeft, unsigned char*& output, std::size_t& outputLeft);

    /// Starts over for another stream (the next member of a gzip file).
    void restart();

    /// The CRC-32 of everything unpacked since the start, for a raw stream that has ended.
    [[nodiscard]] std::uint32_t crc() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velmora
