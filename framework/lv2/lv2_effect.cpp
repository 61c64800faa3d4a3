#include "framework/lv2/lv2_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

namespace kestrelon {

namespace {

// The state's keys: the editor's view mode, width and height.
constexpr const char* kStateKeys[kEditorStateValueCount] = {
    "urn:lumenpathway:editor#viewMode",
    "urn:lumenpathway:editor#width",
    "urn:lumenpathway:editor#height",
};

const void* FindFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

// The host's largest run, from its options; 0 when it gives none that can be
// read as a positive integer.
int MaxBlockFromOptions(const LV2_Options_Option* options, LV2_URID_Map* map)
{
    if (!options || !map)
        return 0;
    const LV2_URID maxKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value; ++o)
        if (o->key == maxKey && o->type == intType && o->size == sizeof(int32_t) && o->value)
            return std::max(0, *static_cast<const int32_t*>(o->value));
    return 0;
}

}  // namespace

// A control port carries a float, and the value a user gave (0.8) reaches us
// as the float nearest to it (0.800000011920929); the VST 2.4 plug-in takes
// the same typed value in double precision. The shortest decimal that comes
// back to the same float is the value that was meant: n / 10^k with n whole
// is the double a text reader gives for that decimal, so both formats set
// the parameter alike.
double PortValueAsDecimal(float v)
{
    if (!std::isfinite(v))
        return v;
    double scale = 1.0;
    for (int k = 0; k <= 9; ++k, scale *= 10.0) {
        const double n = std::round(static_cast<double>(v) * scale);
        if (std::fabs(n) >= 9007199254740992.0)  // beyond whole doubles: no shorter form
            break;
        const double candidate = n / scale;
        if (static_cast<float>(candidate) == v)
            return candidate;
    }
    return v;
}

IEffectLV2::IEffectLV2(const EffectDescription& description, double rate, const LV2_Feature* const* features)
    : IEffectBase(description)
{
    map = static_cast<LV2_URID_Map*>(const_cast<void*>(FindFeature(features, LV2_URID__map)));
    if (map) {
        doubleType = map->map(map->handle, LV2_ATOM__Double);
        for (int i = 0; i < kEditorStateValueCount; ++i)
            stateKeys[i] = map->map(map->handle, kStateKeys[i]);
    }
    // A rate that is not a positive number leaves the engine's default.
    if (std::isfinite(rate) && rate > 0.0)
        sampleRate = rate;
    const auto* options = static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options));
    int maxBlock = MaxBlockFromOptions(options, map);
    if (maxBlock <= 0)
        maxBlock = kDefaultMaxBlock;
    SetMaxBlockSize(std::min(maxBlock, kLargestBlock));

    // connect_port runs in the audio class of calls: everything it fills is
    // made here.
    paramPorts.assign(static_cast<std::size_t>(ParamCount()), nullptr);
    lastPortValue.assign(paramPorts.size(), 0.0f);
    audioIn.assign(static_cast<std::size_t>(InputChannelCount()), nullptr);
    audioOut.assign(static_cast<std::size_t>(OutputChannelCount()), nullptr);
    for (int i = 0; i < InputChannelCount(); ++i)
        SetInputConnected(i, true);
    for (int i = 0; i < OutputChannelCount(); ++i)
        SetOutputConnected(i, true);
}

IEffectLV2::~IEffectLV2() = default;

void IEffectLV2::HostTimeSignature(int* numerator, int* denominator)
{
    if (numerator)
        *numerator = 4;
    if (denominator)
        *denominator = 4;
}

void IEffectLV2::ConnectPort(uint32_t port, void* data)
{
    const int p = port > static_cast<uint32_t>(PortCount()) ? PortCount() : static_cast<int>(port);
    const int inputs = InputChannelCount();
    const int outputs = OutputChannelCount();
    if (p < inputs) {
        audioIn[static_cast<std::size_t>(p)] = static_cast<float*>(data);
    } else if (p < inputs + outputs) {
        audioOut[static_cast<std::size_t>(p - inputs)] = static_cast<float*>(data);
    } else if (p < LatencyPort()) {
        paramPorts[static_cast<std::size_t>(p - inputs - outputs)] = static_cast<const float*>(data);
    } else if (p == LatencyPort()) {
        latencyPort = static_cast<float*>(data);
    } else if (p < PortCount()) {
        meterPorts[p - LatencyPort() - 1] = static_cast<float*>(data);
    }
}

void IEffectLV2::Open()
{
    MutexLock lock(mutex);
    // The effect has defined its parameters by now: a port that holds a
    // parameter's own value changes nothing.
    for (std::size_t i = 0; i < lastPortValue.size(); ++i)
        lastPortValue[i] = static_cast<float>(params[i].Value());
    NotifyAllParamsChanged();
    Reset();
}

void IEffectLV2::Activate()
{
    MutexLock lock(mutex);
    ActivationChanged(true);
}

void IEffectLV2::Deactivate()
{
    MutexLock lock(mutex);
    ActivationChanged(false);
    Reset();
}

void IEffectLV2::ReadControlPorts()
{
    for (std::size_t i = 0; i < paramPorts.size(); ++i) {
        const float* port = paramPorts[i];
        if (!port)
            continue;
        const float v = *port;
        // NaN never equals itself: it is skipped, and the parameter keeps its value.
        if (v == lastPortValue[i] || std::isnan(v))
            continue;
        lastPortValue[i] = v;
        IParameter* param = ParamAt(static_cast<int>(i));
        const double before = param->Value();
        param->Set(PortValueAsDecimal(v));
        if (param->Value() != before)
            HandleParamChange(static_cast<int>(i));
    }
}

void IEffectLV2::Run(uint32_t frames)
{
    MutexLock lock(mutex);
    ReadControlPorts();
    const int n = static_cast<int>(std::min<uint32_t>(frames, 0x7FFFFFFF));
    if (n > 0)
        ProcessFloatReplacing(audioIn.data(), audioOut.data(), n);
    WriteOutputPorts();
}

void IEffectLV2::MetersChanged(const double* values, int count)
{
    for (int i = 0; i < std::min(count, kMeterPortCount); ++i)
        meterValues[i] = values[i];
}

void IEffectLV2::WriteOutputPorts()
{
    if (latencyPort)
        *latencyPort = static_cast<float>(latency);
    for (int i = 0; i < kMeterPortCount; ++i)
        if (meterPorts[i])
            *meterPorts[i] = static_cast<float>(std::isfinite(meterValues[i]) ? meterValues[i] : 0.0);
}

bool IEffectLV2::LoadEditorLayout(double (&values)[kEditorStateValueCount])
{
    MutexLock lock(mutex);
    if (!editorStateValues)
        return false;
    for (int i = 0; i < kEditorStateValueCount; ++i)
        values[i] = editorStateValues[i].Value();
    return true;
}

bool IEffectLV2::StoreEditorLayout(const double (&values)[kEditorStateValueCount])
{
    MutexLock lock(mutex);
    if (!editorStateValues)
        return false;
    for (int i = 0; i < kEditorStateValueCount; ++i)
        if (std::isfinite(values[i]))
            editorStateValues[i].Set(values[i]);
    return true;
}

LV2_State_Status IEffectLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    MutexLock lock(mutex);
    if (!store || !map)
        return LV2_STATE_ERR_NO_FEATURE;
    if (!editorStateValues)
        return LV2_STATE_SUCCESS;
    for (int i = 0; i < kEditorStateValueCount; ++i) {
        const double v = editorStateValues[i].Value();
        const LV2_State_Status s =
            store(handle, stateKeys[i], &v, sizeof v, doubleType, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
        if (s != LV2_STATE_SUCCESS)
            return s;
    }
    return LV2_STATE_SUCCESS;
}

LV2_State_Status IEffectLV2::RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    MutexLock lock(mutex);
    if (!retrieve || !map)
        return LV2_STATE_ERR_NO_FEATURE;
    if (!editorStateValues)
        return LV2_STATE_SUCCESS;
    // A value that is missing or of another type keeps the current one: a
    // project saved before the editor kept its size has none.
    for (int i = 0; i < kEditorStateValueCount; ++i) {
        size_t size = 0;
        uint32_t type = 0;
        uint32_t flags = 0;
        const void* data = retrieve(handle, stateKeys[i], &size, &type, &flags);
        if (!data || type != doubleType || size != sizeof(double))
            continue;
        double v = 0.0;
        std::memcpy(&v, data, sizeof v);
        if (std::isfinite(v))
            editorStateValues[i].Set(v);
    }
    return LV2_STATE_SUCCESS;
}

}  // namespace kestrelon
