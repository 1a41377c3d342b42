#pragma once
// The result text of a load or save: a short piece of XML, one element per
// event, e.g. <read encoding="UTF-8" length="120"/><lone_end_tag tagname="a" offset="7"/>.
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace kerfmax {

class XmlResultLog {
public:
    using Attribute = std::pair<std::string_view, std::string>;

    void Clear() { m_text.clear(); }
    void Add(std::string_view event, std::initializer_list<Attribute> attributes = {},
             std::string_view content = {});
    const std::string& Text() const { return m_text; }
    bool Contains(std::string_view event) const;

private:
    std::string m_text;
};

}  // namespace kerfmax
