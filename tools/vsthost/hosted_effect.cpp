#include "tools/vsthost/hosted_effect.h"

#include "text/ascii.h"

namespace kestrelon {

namespace vsthost {

int HostedEffect::FindParam(const std::string& name)
{
    for (int i = 0; i < ParamCount(); ++i) {
        if (ParamName(i) == name)
            return i;
    }
    for (int i = 0; i < ParamCount(); ++i) {
        if (EqualsIgnoringAsciiCase(ParamName(i), name))
            return i;
    }
    return -1;
}

std::string HostedEffect::ParamNameList()
{
    std::string list;
    for (int i = 0; i < ParamCount(); ++i) {
        if (i > 0)
            list += ", ";
        list += '"';
        list += ParamName(i);
        list += '"';
    }
    return list.empty() ? "(the plug-in has no parameters)" : list;
}

bool IsClapPath(const std::string& path)
{
    static const std::string kExtension = ".clap";
    return path.size() > kExtension.size() &&
           EqualsIgnoringAsciiCase(path.substr(path.size() - kExtension.size()), kExtension);
}

}  // namespace vsthost

}  // namespace kestrelon
