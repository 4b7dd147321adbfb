#include "dialect.h"

#include "instrument/letter_dialect.h"
#include "instrument/nibble_dialect.h"

namespace kelmor {

const Dialect& DialectOf(Model model) {
    static const NibbleDialect v5(Model::V5);
    static const NibbleDialect v6(Model::V6);
    static const LetterDialect v7;
    switch (model) {
        case Model::V5:
            return v5;
        case Model::V6:
            return v6;
        case Model::V7:
            break;
    }
    return v7;
}

}  // namespace kelmor
