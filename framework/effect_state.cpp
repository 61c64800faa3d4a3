// One program's state: the two group counts, the editor's three values when
// the editor keeps them, then the plain parameter values.
#include <algorithm>

#include "framework/effect_base.h"

namespace kestrelon {

bool IEffectBase::ValuesFitParameters(const ChunkBuffer& buffer, int pos, int first, int second) const
{
    for (int i = 0; i < first + second; ++i) {
        double v = 0.0;
        pos = buffer.GetDouble(pos, &v);
        const IParameter& param = params[static_cast<std::size_t>(i < first ? i : primaryParamCount + i - first)];
        if (pos < 0 || !(v >= param.MinValue() && v <= param.MaxValue()))
            return false;
    }
    return true;
}

bool IEffectBase::SerializeParams(ChunkBuffer& buffer)  // any thread, takes the mutex
{
    MutexLock lock(mutex);
    buffer.PutInt32(primaryParamCount);
    buffer.PutInt32(secondaryParamCount);
    for (int i = 0; i < EditorStateValueCount(); ++i)
        buffer.PutDouble(editorStateValues[i].Value());
    const int total = std::min(primaryParamCount + secondaryParamCount, ParamCount());
    for (int i = 0; i < total; ++i)
        buffer.PutDouble(params[static_cast<std::size_t>(i)].Value());
    return buffer.Size() > 0;
}

int IEffectBase::UnserializeParams(const ChunkBuffer& buffer, int pos)  // any thread, takes the mutex
{
    MutexLock lock(mutex);
    int32_t first = 0;
    int32_t second = 0;
    pos = buffer.GetInt32(pos, &first);
    pos = buffer.GetInt32(pos, &second);
    // Values stored beyond the plug-in's own counts are not skipped: a state
    // always comes from this plug-in's own layout.
    first = std::clamp(first, 0, primaryParamCount);
    second = std::clamp(second, 0, secondaryParamCount);

    // States saved before the editor kept its size carry no editor values,
    // and hosts hold such states in their projects: the older layout has the
    // exact length of its values, and the older one leaves the editor values
    // unset. A current state cut short can have that length too; it is told
    // apart by its values, since an editor size (-1, or hundreds of pixels)
    // stands where the older layout has a parameter within its range.
    int editorValues = EditorStateValueCount();
    if (editorValues > 0 && pos >= 0 && buffer.Size() - pos == 8 * (first + second) &&
        ValuesFitParameters(buffer, pos, first, second))
        editorValues = 0;
    for (int i = 0; i < editorValues; ++i) {
        double v = 0.0;
        pos = buffer.GetDouble(pos, &v);
        // A value that is not there keeps the current one: an editor size of 0
        // read from a cut-off chunk would open an editor nobody can see.
        if (pos >= 0)
            editorStateValues[i].Set(v);
    }

    // The value that runs out becomes 0 within the parameter's range and
    // ends the reading; later parameters keep their values.
    auto readGroup = [&](int start, int count) {
        for (int i = start; i < start + count && pos != -1; ++i) {
            double v = 0.0;
            pos = buffer.GetDouble(pos, &v);
            params[static_cast<std::size_t>(i)].Set(v);
        }
    };
    readGroup(0, first);
    readGroup(primaryParamCount, second);

    for (int i = 0; i < ParamCount(); ++i)
        HandleParamChange(i);
    return pos;
}

}  // namespace kestrelon
