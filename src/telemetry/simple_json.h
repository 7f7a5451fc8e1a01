#pragma once
// Lays a JSON object over named values: each member name maps to a setter that
// takes the member's value as text.

#include <functional>
#include <map>
#include <string>

class SimpleJSON {
public:
    virtual ~SimpleJSON() = default;
    // Called for a member without a setter; answers whether it took it.
    virtual bool handleUnknownKey(const std::string& name, const std::string& value) {
        (void)name;
        (void)value;
        return false;
    }

    // Applies each member of the object in order. Strings as they stand,
    // integers that fit 32 bits in decimal, true/false as "True"/"False"; other
    // kinds are skipped. Invalid JSON, or JSON nested too deep, changes nothing.
    void parse(const std::string& text);

    bool parseFailed() const { return parseFailed_; }
    const std::string& parseMessage() const { return parseMessage_; }
    // The last text failed because it was nested too deep to be a real answer.
    bool nestingTooDeep() const { return tooDeep_; }

protected:
    std::map<std::string, std::function<void(const std::string&)>> setters;

private:
    bool parseFailed_ = false;
    bool tooDeep_ = false;
    std::string parseMessage_;
};
