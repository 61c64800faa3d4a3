// Presets: creating them, loading one, storing the live state into the
// current one, and the bank format that carries them all.
#include <cstdio>
#include <cstring>

#include "framework/effect_base.h"
#include "text/text_copy.h"

namespace kestrelon {

namespace {

const char kUserPresetName[] = "user preset";

}  // namespace

void IEffectBase::FillUnsetPresets(const char* name, int count)  // UI thread, mutex held
{
    for (int n = 0; n < count; ++n) {
        for (PresetSlot& preset : presets) {
            if (preset.initialised)
                continue;
            preset.initialised = true;
            CopyTextTruncated(preset.name, sizeof(preset.name), name ? name : "Empty");
            WriteState(preset.state);
            break;
        }
    }
}

bool IEffectBase::LoadPreset(int index)  // UI thread, mutex held
{
    if (index < 0 || index >= PresetCount())
        return false;
    PresetSlot& preset = presets[static_cast<std::size_t>(index)];
    bool ok;
    if (preset.initialised) {
        ok = ReadState(preset.state, 0) > 0;
    } else {
        // A preset the host selects before anything was stored in it captures
        // the live state under the next free "user preset N" name.
        preset.initialised = true;
        int userPresets = 0;
        for (const PresetSlot& other : presets)
            if (std::strstr(other.name, kUserPresetName))
                ++userPresets;
        std::snprintf(preset.name, sizeof(preset.name), "%s %d", kUserPresetName, userPresets + 1);
        ok = WriteState(preset.state);
    }
    if (ok) {
        currentPreset = index;
        PresetChanged();
        PushParamsToEditor();
    }
    return ok;
}

const char* IEffectBase::PresetName(int index) const
{
    return index >= 0 && index < PresetCount() ? presets[static_cast<std::size_t>(index)].name : "";
}

bool IEffectBase::PresetInitialised(int index) const
{
    return index >= 0 && index < PresetCount() && presets[static_cast<std::size_t>(index)].initialised;
}

void IEffectBase::ModifyCurrentPreset(const char* name)  // UI thread, mutex held
{
    if (currentPreset < 0 || currentPreset >= PresetCount())
        return;
    PresetSlot& preset = presets[static_cast<std::size_t>(currentPreset)];
    preset.state.Clear();
    WriteState(preset.state);
    if (name && name[0] != '\0')
        CopyTextTruncated(preset.name, sizeof(preset.name), name);
}

bool IEffectBase::SerializePresets(ChunkBuffer& buffer)  // UI thread, mutex held
{
    bool ok = true;
    for (std::size_t i = 0; i < presets.size() && ok; ++i) {
        const PresetSlot& preset = presets[i];
        buffer.PutText(preset.name);
        buffer.PutByte(preset.initialised ? 1 : 0);
        if (preset.initialised) {
            buffer.PutBytes(preset.state);
            ok = buffer.Size() > 0;
        }
    }
    return ok;
}

int IEffectBase::UnserializePresets(const ChunkBuffer& buffer, int pos)  // UI thread, mutex held
{
    // A name whose stored length is 0 or runs past the end reuses the name
    // read before it.
    char name[kPresetNameSize] = {};
    for (std::size_t i = 0; i < presets.size() && pos != -1; ++i) {
        pos = buffer.GetText(pos, name, sizeof(name));
        uint8_t flag = 0;
        pos = buffer.GetByte(pos, &flag);
        if (pos < 0)
            break;  // a preset whose record is cut off keeps what it had
        PresetSlot& preset = presets[i];
        CopyTextTruncated(preset.name, sizeof(preset.name), name);
        preset.initialised = flag != 0;
        if (preset.initialised) {
            pos = ReadState(buffer, pos);
            if (pos > 0) {
                preset.state.Clear();
                WriteState(preset.state);
            }
        }
    }
    LoadPreset(currentPreset);
    return pos;
}

}  // namespace kestrelon
