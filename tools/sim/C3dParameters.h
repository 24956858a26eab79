// The parameter section of a C3D file: groups of typed, possibly multi-dimensional parameters,
// and typed access to their values.
#ifndef MIRAV_SIM_C3D_PARAMETERS_H
#define MIRAV_SIM_C3D_PARAMETERS_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mirav::sim {

// Element types as stored in the file.
enum class C3dType : int8_t { Char = -1, Byte = 1, Int16 = 2, Float = 4 };

struct C3dParameter {
    std::string group;
    std::string name;
    std::string description;
    C3dType type = C3dType::Byte;
    bool locked = false;
    // Dimensions, first one varying fastest (for text: the string length first).
    std::vector<int> dimensions;
    // The elements, converted to double (Int16 values as signed; Byte values as unsigned).
    std::vector<double> numbers;
    // Char data as stored (all elements, dimension by dimension).
    std::string text;

    size_t ElementCount() const;
    // Element i as a number; nullopt past the end or for text.
    std::optional<double> Number(size_t index) const;
    // Char data split into strings of the first dimension's length, trailing blanks removed.
    // A one-dimensional text is one string.
    std::vector<std::string> Strings() const;
};

class C3dParameters {
public:
    // Key comparison ignores case, as C3D names do.
    const C3dParameter* Find(const std::string& group, const std::string& name) const;

    std::optional<double> Number(const std::string& group, const std::string& name,
                                 size_t index = 0) const;
    std::vector<double> Numbers(const std::string& group, const std::string& name) const;
    std::vector<std::string> Strings(const std::string& group, const std::string& name) const;
    // Strings of NAME, NAME2, NAME3 ... joined (long label lists are split this way).
    std::vector<std::string> ContinuedStrings(const std::string& group,
                                              const std::string& name) const;

    bool HasGroup(const std::string& group) const;
    const std::map<std::string, std::string>& Groups() const { return groups_; }
    const std::map<std::string, C3dParameter>& All() const { return parameters_; }

    void AddGroup(const std::string& name, const std::string& description);
    void Add(C3dParameter parameter);

private:
    static std::string Key(const std::string& group, const std::string& name);

    std::map<std::string, std::string> groups_;       // upper-case name -> description
    std::map<std::string, C3dParameter> parameters_;  // "GROUP:NAME" upper-case
};

// Parses the parameter records that follow the 4-byte section header. section points at the
// first record, size is the number of bytes of the section after the header. Returns false with
// a message on malformed records; records read before the fault are kept.
bool ParseC3dParameterRecords(const uint8_t* section, size_t size, C3dParameters& out,
                              std::string& error);

}  // namespace mirav::sim

#endif
