#include "listfile/list_file.h"

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

std::vector<std::string> ReadObjectList(SequentialInput& input, const std::string& path) {
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
            if (!IsNumber(field)) continue;
            const double number = NumberValue(field);
            if (!NamesOrdinaryObject(number)) continue;
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
