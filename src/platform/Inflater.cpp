#include "platform/Inflater.h"

#include <algorithm>
#include <new>

#ifdef VELMORA_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#else
#include <zlib.h>
#endif

namespace velmora {

namespace {

// Both libraries count in 32 bits: no piece is given them larger than this.
constexpr std::size_t LargestPiece = std::size_t{1} << 30U;

std::uint32_t pieceOf(std::size_t left)
{
    return static_cast<std::uint32_t>(std::min(left, LargestPiece));
}

/// What one run of a library's inflate over a piece of input and room did.
struct PieceRun
{
    int status;         ///< the library's own
    std::uint32_t made; ///< bytes written
    /// It used some of the input or the room, or had none of one: a run that used neither would be given the same
    /// again by its caller, for ever.
    bool progressed;
};

/// Gives the stream (ISA-L's and zlib's name their four fields alike) as much of the input and room as it counts,
/// runs it, and moves the caller's pointers past what it used.
template <typename Stream, typename Run>
PieceRun runPiece(Stream& stream, const unsigned char*& input, std::size_t& inputLeft, unsigned char*& output,
                  std::size_t& outputLeft, Run run)
{
    stream.next_in = const_cast<unsigned char*>(input); // read only
    stream.avail_in = pieceOf(inputLeft);
    stream.next_out = output;
    stream.avail_out = pieceOf(outputLeft);
    const std::uint32_t given = stream.avail_in;
    const std::uint32_t room = stream.avail_out;
    const int status = run();
    const std::uint32_t used = given - stream.avail_in;
    const std::uint32_t made = room - stream.avail_out;
    input += used;
    inputLeft -= used;
    output += made;
    outputLeft -= made;
    return {status, made, given == 0 || room == 0 || used > 0 || made > 0};
}

} // namespace

#ifdef VELMORA_HAVE_ISAL

struct Inflater::State
{
    inflate_state stream{};
    Wrapping wrapping;

    void start()
    {
        isal_inflate_init(&stream);
        // ISAL_GZIP reads the header and checks the trailer; ISAL_GZIP_NO_HDR sums the CRC-32 of raw data.
        stream.crc_flag = wrapping == Wrapping::Gzip ? ISAL_GZIP : ISAL_GZIP_NO_HDR;
    }
};

Inflater::Inflater(Wrapping wrapping) : m_state(new(std::nothrow) State{})
{
    if (m_state != nullptr) {
        m_state->wrapping = wrapping;
        m_state->start();
    }
}

Inflater::Step Inflater::inflate(const unsigned char*& input, std::size_t& inputLeft, unsigned char*& output,
                                 std::size_t& outputLeft)
{
    inflate_state& stream = m_state->stream;
    const PieceRun run =
        runPiece(stream, input, inputLeft, output, outputLeft, [&stream] { return isal_inflate(&stream); });
    if (run.status != ISAL_DECOMP_OK) {
        return Step::Damaged;
    }
    if (stream.block_state == ISAL_BLOCK_FINISH) {
        return Step::Ended;
    }
    return run.progressed ? Step::Going : Step::Damaged;
}

void Inflater::restart()
{
    m_state->start();
}

std::uint32_t Inflater::crc() const
{
    return m_state->stream.crc;
}

#else

struct Inflater::State
{
    z_stream stream{};
    Wrapping wrapping;
    bool ready = false;
    std::uint32_t crc = 0;

    ~State()
    {
        if (ready) {
            inflateEnd(&stream);
        }
    }
};

Inflater::Inflater(Wrapping wrapping) : m_state(new(std::nothrow) State{})
{
    if (m_state == nullptr) {
        return;
    }
    m_state->wrapping = wrapping;
    // 16 + the window: a gzip header and trailer around the deflate data; minus the window: raw deflate.
    const int windowBits = wrapping == Wrapping::Gzip ? 16 + MAX_WBITS : -MAX_WBITS;
    m_state->ready = inflateInit2(&m_state->stream, windowBits) == Z_OK;
    m_state->crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    if (!m_state->ready) {
        m_state.reset();
    }
}

Inflater::Step Inflater::inflate(const unsigned char*& input, std::size_t& inputLeft, unsigned char*& output,
                                 std::size_t& outputLeft)
{
    z_stream& stream = m_state->stream;
    const PieceRun run =
        runPiece(stream, input, inputLeft, output, outputLeft, [&stream] { return ::inflate(&stream, Z_NO_FLUSH); });
    if (m_state->wrapping == Wrapping::Raw) {
        m_state->crc = static_cast<std::uint32_t>(crc32(m_state->crc, output - run.made, run.made));
    }
    if (run.status == Z_STREAM_END) {
        return Step::Ended;
    }
    const bool going = (run.status == Z_OK || run.status == Z_BUF_ERROR) && run.progressed;
    return going ? Step::Going : Step::Damaged;
}

void Inflater::restart()
{
    inflateReset(&m_state->stream);
    m_state->crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
}

std::uint32_t Inflater::crc() const
{
    return m_state->crc;
}

#endif

Inflater::~Inflater() = default;

bool Inflater::valid() const
{
    return m_state != nullptr;
}

} // namespace velmora
