#include "Format.h"

#include "Script.h"
#include "contracts/ProjectModel.h"
#include "contracts/TreeView.h"

namespace qvx {

std::string FormatValue(const qv::Variant& value) {
    using qv::VarType;
    switch (value.Type()) {
    case VarType::Empty:
        return "empty";
    case VarType::Null:
        return "null";
    case VarType::Missing:
        return "missing";
    case VarType::String:
        return QuoteLine(value.ToString());
    case VarType::Record:
        return "record:" + value.RecordTypeName();
    case VarType::Array:
        return "array";
    case VarType::Object:
    case VarType::Unknown: {
        const auto& object = value.ObjectValue();
        if (!object) return "nothing";
        if (auto t = std::dynamic_pointer_cast<qv::Topic>(object)) return "topic:" + t->ID();
        if (auto c = std::dynamic_pointer_cast<qv::TopicCategory>(object))
            return "category:" + c->ID();
        if (auto f = std::dynamic_pointer_cast<qv::OtherFile>(object))
            return "file:" + f->File()->LocalSpec();
        if (auto b = std::dynamic_pointer_cast<qv::BuildProfile>(object))
            return "profile:" + b->ID();
        if (auto n = std::dynamic_pointer_cast<qv::Node>(object)) return "node:" + n->Key();
        return "object:" + object->TypeName();
    }
    default:
        return value.ToString();
    }
}

std::string FormatCall(const std::string& name, const std::vector<qv::Variant>& args) {
    std::string out = name;
    for (const auto& arg : args)
        out += " " + FormatValue(arg);
    return out;
}

} // namespace qvx
