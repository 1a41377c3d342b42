#pragma once
// The result text of a load or save: a short piece of XML, one element per
// event, e.g. <read encoding="UTF-8" length="120"/><lone_end_tag tagname="a" offset="7"/>.
// It stays short whatever the file: past the first events only a count of
// the rest is kept, so a file of nothing but faults cannot grow it without end.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace kerfmax {

class XmlResultLog {
public:
    using Attribute = std::pair<std::string_view, std::string>;

    static constexpr std::size_t kMaxEvents = 100;
    static constexpr std::size_t kMaxBytes = 32 * 1024;

    void Clear();
    void Add(std::string_view event, std::initializer_list<Attribute> attributes = {}, std::string_view content = {});
    const std::string& Text() const;
    bool Contains(std::string_view event) const;
    // Events that were counted but not written out.
    std::size_t OmittedCount() const { return m_omitted; }

private:
    // The count is written when the text is asked for, not per event: a file
    // of faults may bring millions of them.
    mutable std::string m_text;
    mutable std::size_t m_omittedWritten = 0;
    std::size_t m_events = 0;
    std::size_t m_omitted = 0;
    std::size_t m_keptLength = 0;  // where the closing count element starts
};

}  // namespace kerfmax
