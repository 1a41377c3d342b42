#include "xml/XmlDocument.h"

namespace kerfmax {

bool XmlDocument::LoadFile(const std::filesystem::path&) { return false; }
bool XmlDocument::SaveFile(const std::filesystem::path&) { return false; }
bool XmlDocument::LoadFromBytes(std::string_view) { return false; }
bool XmlDocument::SaveToBytes(std::string&) { return false; }
bool XmlDocument::FindSibling(std::string_view) { return false; }
bool XmlDocument::EnterElement() { return false; }
bool XmlDocument::LeaveElement() { return false; }
std::string XmlDocument::GetAttribute(std::string_view) const { return {}; }
bool XmlDocument::SetAttribute(std::string_view, std::string_view) { return false; }
bool XmlDocument::AppendElement(std::string_view) { return false; }
bool XmlDocument::InsertElement(std::string_view) { return false; }
bool XmlDocument::SetElementText(std::string_view) { return false; }
bool XmlDocument::RemoveElement() { return false; }
std::string XmlDocument::GetTagName() const { return {}; }

}  // namespace kerfmax
