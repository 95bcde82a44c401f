// Measurement words drawing from the C library generator: what only one particular
// draw can show (the golden scripts draw from the generator's own start).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Matrix.h"
#include "qlang/Evaluate.h"

namespace {

using linalg::Matrix;
using tala::interp::Variable;
using tala::interp::VariableTable;

class MatrixWords : public ::testing::Test {
protected:
    Variable& run(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }

    VariableTable table;
    Variable result;
};

TEST_F(MatrixWords, QubitMeasurementNeverPicksAnImpossibleOutcome) {
    // Find a seed whose first draw is exactly 0: the one draw that would choose
    // outcome 0 of probability 0 and divide by its square root.
    unsigned seed = 1;
    for (std::srand(seed); std::rand() % 10000 != 0; std::srand(++seed)) {
    }
    run("global (new integer out)");
    std::srand(seed);
    const Matrix m = run("measure_qbit (matrix 2 1 (complex 0 0) (complex 0 1)) 0 out").getMatrix();
    EXPECT_EQ(run("get out").getInteger(), 1);
    EXPECT_EQ(m(0, 0).re, 0.0);
    EXPECT_EQ(m(0, 0).im, 0.0);
    EXPECT_EQ(m(1, 0).im, 1.0);
    // The same draw with outcome 0 possible still takes it.
    std::srand(seed);
    run("measure_qbit (matrix 2 1 (complex 0.6 0) (complex 0.8 0)) 0 out");
    EXPECT_EQ(run("get out").getInteger(), 0);
}

}  // namespace
