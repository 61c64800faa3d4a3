// The engine's block loop: Process for a whole block, with the same results
// to the bit, but with every follower state, the delay position and the
// curve readers held in registers from the first frame to the last, and one
// specialised loop per combination of stage settings.
//
// Each frame of Process is one long chain of dependent steps (square root,
// main follower, slow copies, detectors, curves, gains), so a processor can
// overlap only a few frames of it. The block loop takes a block in chunks
// and each chunk in two passes: first the detector values of every frame
// (nothing carried from frame to frame, two frames at a time), then
// everything else in a skewed loop whose iterations each advance several
// frames by one step (see Iterate). And where Process runs two followers of
// the same shape one after the other, the loop runs them side by side in the
// two lanes of an SSE2 register (part of every x86-64 processor), lane 0 for
// the attack stage and lane 1 for the sustain stage. Every lane does the
// arithmetic of Process in the same order, so the results are the same to
// the bit.
#include "dsp/transient_engine.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "dsp/engine_arithmetic.h"

namespace kestrelon {

using namespace engine_arithmetic;

namespace {

// mask ? a : b, lane by lane, without a branch. The follower steps compute
// both sides and let the follower's own comparison pick one: the same result
// to the bit as the branches of EnvelopeFollower, but a change of direction
// costs no mispredicted branch.
inline __m128d Select(__m128d mask, __m128d a, __m128d b)
{
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

// Two EnvelopeFollowers side by side. Lanes set in fallLanes smooth falls
// (ProcessSmoothFall, with their release coefficients in coef and
// complement); the others smooth rises (ProcessSmoothRise, with their attack
// coefficients).
struct FollowerPair {
    __m128d peakCoef;
    __m128d coef;
    __m128d complement;
    __m128d fallLanes;
    __m128d peakState;
    __m128d outputState;
};

constexpr int kAttackLane = 0;
constexpr int kSustainLane = 1;

inline __m128d Lanes(double attack, double sustain)
{
    return _mm_set_pd(sustain, attack);
}

inline double Lane0(__m128d v)
{
    return _mm_cvtsd_f64(v);
}

inline double Lane1(__m128d v)
{
    return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
}

FollowerPair MakePair(const EnvelopeFollower::Registers& attack, bool attackFalls,
                      const EnvelopeFollower::Registers& sustain, bool sustainFalls)
{
    FollowerPair p;
    p.peakCoef = Lanes(attack.peakCoef, sustain.peakCoef);
    p.coef = Lanes(attackFalls ? attack.releaseCoef : attack.attackCoef,
                   sustainFalls ? sustain.releaseCoef : sustain.attackCoef);
    p.complement = Lanes(attackFalls ? attack.releaseComplement : attack.attackComplement,
                         sustainFalls ? sustain.releaseComplement : sustain.attackComplement);
    p.fallLanes = _mm_castsi128_pd(_mm_set_epi64x(sustainFalls ? -1 : 0, attackFalls ? -1 : 0));
    p.peakState = Lanes(attack.peakState, sustain.peakState);
    p.outputState = Lanes(attack.outputState, sustain.outputState);
    return p;
}

void StoreLane(const FollowerPair& p, int lane, EnvelopeFollower& follower)
{
    EnvelopeFollower::Registers r = follower.Load();
    r.peakState = lane == kAttackLane ? Lane0(p.peakState) : Lane1(p.peakState);
    r.outputState = lane == kAttackLane ? Lane0(p.outputState) : Lane1(p.outputState);
    follower.StoreStates(r);
}

// Which lanes of a pair smooth falls rather than rises.
enum class Falls { kNone, kBoth, kSustainLane };

// The peak stage of both followers for inputs x, x < peak ?
// x + (peak - x) * peakCoef : x. With peakCoef in [0, 1] the held value lies
// between x and the peak, so it is at least x when x < peak and at most x
// otherwise: the larger of the two is the same number (x is never -0),
// without a comparison and select on the state's chain.
inline __m128d Peak(FollowerPair& f, __m128d x)
{
    const __m128d held = _mm_add_pd(x, _mm_mul_pd(_mm_sub_pd(f.peakState, x), f.peakCoef));
    f.peakState = _mm_max_pd(x, held);
    return f.peakState;
}

// The smoothing stage of ProcessSmoothRise or ProcessSmoothFall, each with
// its own comparison, for the peak stage's outputs x.
template <Falls kFalls>
inline __m128d Smooth(FollowerPair& f, __m128d x)
{
    const __m128d smoothed = _mm_add_pd(_mm_mul_pd(x, f.complement), _mm_mul_pd(f.outputState, f.coef));
    const __m128d rising = _mm_cmpgt_pd(x, f.outputState);
    if constexpr (kFalls == Falls::kNone)
        f.outputState = Select(rising, smoothed, x);
    else if constexpr (kFalls == Falls::kBoth)
        f.outputState = Select(rising, x, smoothed);
    else
        f.outputState = Select(_mm_xor_pd(rising, f.fallLanes), smoothed, x);
    return f.outputState;
}

// The two transfer curves side by side: LUT::Reader::Lookup in each lane.
struct CurvePair {
    const double* attackTable;
    const double* attackRises;
    const double* sustainTable;
    const double* sustainRises;
    __m128d scale;
    __m128d lastIndex;
};

// Where a lookup reads: the entries and the fraction between them.
struct CurvePositions {
    uint32_t attackIndex;
    uint32_t sustainIndex;
    __m128d fraction;
};

inline CurvePositions Locate(const CurvePair& c, __m128d x)
{
    __m128d pos = _mm_mul_pd(x, c.scale);
    // last < pos ? last : pos, i.e. pos > last ? last : pos; NaN stays.
    pos = _mm_min_pd(c.lastIndex, pos);
    // pos >= 0 ? pos : 0; NaN fails and reads entry 0.
    pos = _mm_and_pd(_mm_cmpge_pd(pos, _mm_setzero_pd()), pos);
    const __m128i index = _mm_cvttpd_epi32(pos);
    // Never negative: unsigned, so no sign extension for the addresses.
    return {static_cast<uint32_t>(_mm_cvtsi128_si32(index)),
            static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1))),
            _mm_sub_pd(pos, _mm_cvtepi32_pd(index))};
}

inline __m128d Read(const CurvePair& c, const CurvePositions& at)
{
    const __m128d lower = _mm_loadh_pd(_mm_load_sd(c.attackTable + at.attackIndex), c.sustainTable + at.sustainIndex);
    const __m128d rise = _mm_loadh_pd(_mm_load_sd(c.attackRises + at.attackIndex), c.sustainRises + at.sustainIndex);
    return _mm_add_pd(lower, _mm_mul_pd(rise, at.fraction));
}

// What a stage does to the audio, fixed for a whole block. A stage that is
// on but neither boosts nor cuts (sign 0) takes the per-frame path.
enum class Stage { kOff, kBoost, kCut };

// Everything the sample loop reads or carries from frame to frame.
struct BlockRegisters {
    // Both lanes run the main follower, so its output comes out already in
    // both lanes for the two slow copies.
    FollowerPair main;
    // The slow copies of the envelope (attack: rises smoothed; sustain:
    // falls smoothed) and the detectors of their differences.
    FollowerPair slow;
    FollowerPair diff;
    CurvePair curves;
    double* delayLeft;
    double* delayRight;
    int32_t writeIndex;
    int32_t length;
    __m128d noiseOffset;
    // Results of the last frame: envelope and main output in both lanes,
    // the processed pair (left, right) and the gain fractions in effect
    // (attack, sustain).
    __m128d envelope;
    __m128d mainEnvelope;
    __m128d out;
    __m128d gains;
    __m128d peaks;
};

// Frames per chunk: the scratch (4 KB on the stack) stays in the first-level
// cache, and the skewed loop's start and end are a small share of it.
constexpr int32_t kChunkFrames = 128;

// What the first pass hands to the second, one pair per frame.
struct Chunk {
    __m128d input[kChunkFrames];  // left, right, non-finite samples made 0
    __m128d envelope[kChunkFrames];  // the detector value in both lanes
};

// First pass: the input pairs and the detector values, two frames at a time
// (nothing here is carried from frame to frame). count is 1 or 2.
inline void Measure(const double* left, const double* right, int32_t count, __m128d noiseOffset, __m128d* input,
                    __m128d* envelope)
{
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    const __m128d largest = _mm_set1_pd(kLargestFinite);
    __m128d l = count == 2 ? _mm_loadu_pd(left) : _mm_load_sd(left);
    __m128d r = count == 2 ? _mm_loadu_pd(right) : _mm_load_sd(right);
    __m128d absLeft = _mm_and_pd(l, absMask);
    __m128d absRight = _mm_and_pd(r, absMask);
    // Not (|x| <= largest finite): infinity or NaN somewhere.
    const __m128d bad = _mm_or_pd(_mm_cmpnle_pd(absLeft, largest), _mm_cmpnle_pd(absRight, largest));
    if (_mm_movemask_pd(bad) != 0) [[unlikely]] {
        l = Lanes(FiniteOrSilence(left[0]), count == 2 ? FiniteOrSilence(left[1]) : 0.0);
        r = Lanes(FiniteOrSilence(right[0]), count == 2 ? FiniteOrSilence(right[1]) : 0.0);
        absLeft = _mm_and_pd(l, absMask);
        absRight = _mm_and_pd(r, absMask);
    }
    // absRight > absLeft ? absRight : absLeft, the louder channel.
    const __m128d level = _mm_add_pd(_mm_max_pd(absRight, absLeft), noiseOffset);
    const __m128d detector = _mm_mul_pd(_mm_set1_pd(2.0), _mm_sqrt_pd(level));
    input[0] = _mm_unpacklo_pd(l, r);
    envelope[0] = _mm_unpacklo_pd(detector, detector);
    if (count == 2) {
        input[1] = _mm_unpackhi_pd(l, r);
        envelope[1] = _mm_unpackhi_pd(detector, detector);
    }
}

// l + gain * l (boost) or l - gain * l (cut) on both channels.
template <Stage kStage>
inline __m128d ApplyGain(__m128d gain, __m128d pair)
{
    if constexpr (kStage == Stage::kBoost)
        return _mm_add_pd(pair, _mm_mul_pd(gain, pair));
    else if constexpr (kStage == Stage::kCut)
        return _mm_sub_pd(pair, _mm_mul_pd(gain, pair));
    else
        return pair;
}

constexpr bool Detects(Stage attack, Stage sustain)
{
    return attack != Stage::kOff || sustain != Stage::kOff;
}

// The gain fractions in effect for detector outputs: the curves, scaled when
// boosting (cut fractions are used as they are; times 1 is exact).
template <Stage kAttack, Stage kSustain>
inline __m128d Gains(const CurvePair& curves, const CurvePositions& at)
{
    const __m128d boostScale =
        Lanes(kAttack == Stage::kBoost ? kAttackBoostScale : 1.0, kSustain == Stage::kBoost ? kSustainBoostScale : 1.0);
    return _mm_mul_pd(Read(curves, at), boostScale);
}

// The look-ahead delay and the gains for one frame.
template <Stage kAttack, Stage kSustain>
inline void Shape(BlockRegisters& s, __m128d input, __m128d gains, double* leftOut, double* rightOut)
{
    // Both delay lines share one write position.
    const int32_t at = s.writeIndex;
    _mm_store_sd(s.delayLeft + at, input);
    _mm_storeh_pd(s.delayRight + at, input);
    s.writeIndex = at + 1 >= s.length ? 0 : at + 1;
    __m128d out = _mm_loadh_pd(_mm_load_sd(s.delayLeft + s.writeIndex), s.delayRight + s.writeIndex);
    out = ApplyGain<kAttack>(_mm_unpacklo_pd(gains, gains), out);
    out = ApplyGain<kSustain>(_mm_unpackhi_pd(gains, gains), out);
    _mm_store_sd(leftOut, out);
    _mm_storeh_pd(rightOut, out);
    s.out = out;
}

// What one step of the pipeline below hands to the next.
struct InFlight {
    __m128d mainPeak;  // main follower's peak stage output
    __m128d main;  // main follower output (both lanes)
    __m128d slowMain;  // the main output the slow copies follow
    __m128d slowPeak;  // slow copies' peak stage outputs
    __m128d differences;  // inputs of the two detectors
    __m128d detectedPeak;  // detectors' peak stage outputs
    __m128d detected;  // outputs of the two detectors
    CurvePositions positions;  // where the curves are read for them
    __m128d gains;  // gain fractions in effect
};

// How many iterations after its first step each later step of a frame runs.
enum Lag : int32_t {
    kMainPeakLag,
    kMainLag,
    kSlowPeakLag,
    kSlowLag,
    kDetectPeakLag,
    kDetectLag,
    kLocateLag,
    kCurveLag,
    kShapeLag,
};

// One iteration of the second pass. Within a frame every step waits for the
// one before (main follower, slow copies, detectors, curves, gains), a chain
// too long for a processor to overlap many frames of. So the pass is skewed:
// iteration k runs the first step of frame k, the second of frame k - 1, and
// so on, pieces of work that wait only on earlier iterations. Every follower
// still sees its frames in order. kEdges: the first and last iterations of a
// chunk, where some steps have no frame yet or any more.
template <Stage kAttack, Stage kSustain, bool kEdges>
inline void Iterate(BlockRegisters& s, const Chunk& c, InFlight& f, int32_t k, int32_t frames, double* leftOut,
                    double* rightOut)
{
    auto runs = [k, frames](Lag lag) { return !kEdges || (k >= lag && k - lag < frames); };
    // Later steps first: each takes what the iteration before left.
    if (runs(kShapeLag)) {
        const int32_t i = k - kShapeLag;
        Shape<kAttack, kSustain>(s, c.input[i], f.gains, leftOut + i, rightOut + i);
    }
    if constexpr (Detects(kAttack, kSustain)) {
        if (runs(kCurveLag)) {
            f.gains = Gains<kAttack, kSustain>(s.curves, f.positions);
            s.gains = f.gains;
            // gain > peak ? gain : peak, which is std::max(peak, gain).
            s.peaks = _mm_max_pd(f.gains, s.peaks);
        }
        if (runs(kLocateLag))
            f.positions = Locate(s.curves, f.detected);
        if (runs(kDetectLag))
            f.detected = Smooth<Falls::kNone>(s.diff, f.detectedPeak);
        if (runs(kDetectPeakLag))
            f.detectedPeak = Peak(s.diff, f.differences);
        if (runs(kSlowLag)) {
            // Attack: how far the envelope leads its slowly rising copy (0
            // when the copy simply took it). Sustain: how far the envelope
            // has fallen below its slowly falling copy.
            const __m128d slow = Smooth<Falls::kSustainLane>(s.slow, f.slowPeak);
            f.differences = _mm_sub_pd(_mm_move_sd(slow, f.slowMain), _mm_shuffle_pd(slow, f.slowMain, 0));
        }
        if (runs(kSlowPeakLag)) {
            f.slowMain = f.main;
            f.slowPeak = Peak(s.slow, f.main);
        }
    }
    if (runs(kMainLag))
        f.main = Smooth<Falls::kBoth>(s.main, f.mainPeak);
    if (runs(kMainPeakLag))
        f.mainPeak = Peak(s.main, c.envelope[k]);
}

template <Stage kAttack, Stage kSustain>
void RunBlock(BlockRegisters& io, const double* left, const double* right, double* leftOut, double* rightOut,
              int32_t frames)
{
    // A private copy, so that the compiler may keep every field in a
    // register: the output stores cannot alias it.
    BlockRegisters s = io;
    Chunk chunk;
    // Gains of a stage that is off are not applied, so 0 for both is right.
    const __m128d zero = _mm_setzero_pd();
    InFlight f{zero, s.mainEnvelope, zero, zero, zero, zero, zero, {0, 0, zero}, zero};
    for (int32_t done = 0; done < frames; done += kChunkFrames) {
        const int32_t n = std::min(kChunkFrames, frames - done);
        // First pass. Every input of the chunk is read before any of its
        // outputs is written, so processing in place is safe.
        for (int32_t i = 0; i < n; i += 2)
            Measure(left + done + i, right + done + i, std::min(2, n - i), s.noiseOffset, chunk.input + i,
                    chunk.envelope + i);
        s.envelope = chunk.envelope[n - 1];

        // Second pass.
        int32_t k = 0;
        for (; k < std::min<int32_t>(n, kShapeLag); ++k)
            Iterate<kAttack, kSustain, true>(s, chunk, f, k, n, leftOut + done, rightOut + done);
        for (; k < n; ++k)
            Iterate<kAttack, kSustain, false>(s, chunk, f, k, n, leftOut + done, rightOut + done);
        for (; k < n + kShapeLag; ++k)
            Iterate<kAttack, kSustain, true>(s, chunk, f, k, n, leftOut + done, rightOut + done);
    }
    s.mainEnvelope = f.main;
    io = s;
}

using BlockRunner = void (*)(BlockRegisters&, const double*, const double*, double*, double*, int32_t);

// Indexed [attack stage][sustain stage].
constexpr BlockRunner kRunners[3][3] = {
    {RunBlock<Stage::kOff, Stage::kOff>, RunBlock<Stage::kOff, Stage::kBoost>, RunBlock<Stage::kOff, Stage::kCut>},
    {RunBlock<Stage::kBoost, Stage::kOff>, RunBlock<Stage::kBoost, Stage::kBoost>,
     RunBlock<Stage::kBoost, Stage::kCut>},
    {RunBlock<Stage::kCut, Stage::kOff>, RunBlock<Stage::kCut, Stage::kBoost>, RunBlock<Stage::kCut, Stage::kCut>},
};

Stage StageFor(bool on, int32_t sign)
{
    if (!on)
        return Stage::kOff;
    return sign > 0 ? Stage::kBoost : Stage::kCut;
}

// std::max(peak, gain), as the effect folds its meter peaks.
double FoldPeak(double peak, double gain)
{
    return peak < gain ? gain : peak;
}

}  // namespace

// Audio thread, once per block, plug-in mutex held.
void TransientEngine::ProcessBlock(const double* left, const double* right, double* leftOut, double* rightOut,
                                   int32_t frames, GainPeaks& peaks)
{
    if (frames <= 0)
        return;
    // The specialised loops cover what this effect sets: stages that boost
    // or cut, and the attack copy's instantaneous peak stage (through which
    // the envelope passes unchanged, as ProcessRiseLead assumes). Anything
    // else runs frame by frame.
    const EnvelopeFollower::Registers attackSlow = attackSlowFollower.Load();
    const bool boostOrCut = (!attackOn || attackSign != 0) && (!sustainOn || sustainSign != 0);
    if (!boostOrCut || attackSlow.peakCoef != 0.0) [[unlikely]] {
        for (int32_t i = 0; i < frames; ++i) {
            Process(left[i], right[i]);
            leftOut[i] = outLeft;
            rightOut[i] = outRight;
            peaks.attack = std::max(peaks.attack, attackGainChange);
            peaks.sustain = std::max(peaks.sustain, sustainGainChange);
        }
        return;
    }

    const EnvelopeFollower::Registers main = mainFollower.Load();
    BlockRegisters s;
    s.main = MakePair(main, true, main, true);
    s.slow = MakePair(attackSlow, false, sustainSlowFollower.Load(), true);
    s.diff = MakePair(attackDiffFollower.Load(), false, sustainDiffFollower.Load(), false);
    const LUT::Reader attackReader = attackCurve.GetReader();
    const LUT::Reader sustainReader = sustainCurve.GetReader();
    s.curves = {attackReader.table,
                attackReader.rises,
                sustainReader.table,
                sustainReader.rises,
                Lanes(attackReader.scale, sustainReader.scale),
                Lanes(attackReader.lastIndexValue, sustainReader.lastIndexValue)};
    s.delayLeft = delayLeft.Samples();
    s.delayRight = delayRight.Samples();
    s.writeIndex = delayLeft.GetWriteIndex();
    s.length = delayLeft.GetLength();
    s.noiseOffset = _mm_set1_pd(noiseOffset);
    s.envelope = _mm_set1_pd(envelope);
    s.mainEnvelope = _mm_set1_pd(mainEnvelope);
    s.out = Lanes(outLeft, outRight);
    s.gains = Lanes(attackGainChange, sustainGainChange);
    s.peaks = Lanes(peaks.attack, peaks.sustain);

    const Stage attack = StageFor(attackOn, attackSign);
    const Stage sustain = StageFor(sustainOn, sustainSign);
    kRunners[static_cast<int>(attack)][static_cast<int>(sustain)](s, left, right, leftOut, rightOut, frames);

    StoreLane(s.main, kAttackLane, mainFollower);
    delayLeft.SetWriteIndex(s.writeIndex);
    delayRight.SetWriteIndex(s.writeIndex);
    envelope = Lane0(s.envelope);
    mainEnvelope = Lane0(s.mainEnvelope);
    outLeft = Lane0(s.out);
    outRight = Lane1(s.out);
    // A stage that is off advanced nothing and repeats its held gain every
    // frame; folding that once gives the same peak. Its lanes were computed
    // alongside and are dropped.
    if (attackOn) {
        StoreLane(s.slow, kAttackLane, attackSlowFollower);
        StoreLane(s.diff, kAttackLane, attackDiffFollower);
        attackGainChange = Lane0(s.gains);
        peaks.attack = Lane0(s.peaks);
    } else {
        peaks.attack = FoldPeak(peaks.attack, attackGainChange);
    }
    if (sustainOn) {
        StoreLane(s.slow, kSustainLane, sustainSlowFollower);
        StoreLane(s.diff, kSustainLane, sustainDiffFollower);
        sustainGainChange = Lane1(s.gains);
        peaks.sustain = Lane1(s.peaks);
    } else {
        peaks.sustain = FoldPeak(peaks.sustain, sustainGainChange);
    }
}

}  // namespace kestrelon
