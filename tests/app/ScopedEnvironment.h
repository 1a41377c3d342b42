#pragma once
// Sets or clears environment variables for one test; the destructor puts the
// old values back.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kerfmax::test {

class ScopedEnvironment {
public:
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
    }
    void Set(const std::string& name, const std::string& value)
    {
        Save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void Clear(const std::string& name) { Save(name); ::unsetenv(name.c_str()); }

private:
    void Save(const std::string& name)
    {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace kerfmax::test
