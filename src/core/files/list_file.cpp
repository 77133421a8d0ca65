#include "files/list_file.h"

#include <exception>

namespace zelmar {

namespace {

class ClosingAtExit {
  public:
    explicit ClosingAtExit(SequentialInput& input) : input_(input) {}
    ~ClosingAtExit() { input_.Close(); }
    ClosingAtExit(const ClosingAtExit&) = delete;
    ClosingAtExit& operator=(const ClosingAtExit&) = delete;

  private:
    SequentialInput& input_;
};

// The list holds what a job may address: a fraction counts as the object it rounds to, and
// object 0 and the settings objects (8176..8191) are never in it.
bool NamesOrdinaryObject(double number) {
    const double object = RoundHalfEven(number);
    return object >= 1 && object <= 8175;
}

}  // namespace

std::string SkipsInWords(const ListSkips& skipped) {
    if (skipped.count == 0) return {};
    const bool one = skipped.count == 1;
    return std::to_string(skipped.count) + (one ? " entry" : " entries") +
           " named no object from 1 to 8175 and " + (one ? "was" : "were") + " skipped; " +
           (one ? "it" : "the first") + " is \"" + skipped.firstText + "\" (entry " +
           std::to_string(skipped.firstEntry) + ").";
}

std::vector<std::string> ReadObjectList(SequentialInput& input, const std::string& path,
                                        ListSkips* skipped) {
    int entry = 0;
    const auto skip = [&](const std::string& field) {
        if (!skipped) return;
        if (skipped->count++ == 0) {
            skipped->firstEntry = entry;
            skipped->firstText = field;
        }
    };
    const ClosingAtExit closing(input);
    try {
        input.Open(path);
    } catch (const std::exception& failure) {
        throw ListFileError("Cannot open " + path + ": " + failure.what());
    }
    std::vector<std::string> items;
    try {
        while (!input.AtEnd()) {
            const std::string field = input.ReadField();
            if (field.empty()) continue;
            ++entry;
            if (!IsNumber(field)) {
                skip(field);
                continue;
            }
            const double number = NumberValue(field);
            if (!NamesOrdinaryObject(number)) {
                skip(field);
                continue;
            }
            if (items.size() == kMaxListObjects)
                throw ListFileError(path + " names more than " + std::to_string(kMaxListObjects) +
                                    " objects, more than a list job can step through. The list "
                                    "was left as it was.");
            items.push_back(NumberText(number));
        }
    } catch (const ListFileError&) {
        throw;
    } catch (const std::exception&) {
        // A field that cannot be read ends the load with what was read before it.
    }
    return items;
}

}  // namespace zelmar
