#include "common/owned_matrix.h"

#include <algorithm>

OwnedMatrix zero_matrix(int n)
{
    const std::size_t order = n > 0 ? static_cast<std::size_t>(n) : 0;
    OwnedMatrix m;
    m.rows.assign(order, std::vector<float>(order, 0.0f));
    return m;
}

OwnedMatrix matrix_from_rows(const std::vector<std::vector<float>>& rows)
{
    OwnedMatrix m;
    m.rows = rows;
    return m;
}

Matrix view(OwnedMatrix& m)
{
    m.pointers.clear();
    for (auto& row : m.rows)
        m.pointers.push_back(row.data());
    return m.pointers.data();
}

void clear_matrix(OwnedMatrix& m)
{
    for (auto& row : m.rows)
        std::fill(row.begin(), row.end(), 0.0f);
}

Operands program_operands(int n)
{
    Operands m{zero_matrix(n), zero_matrix(n), zero_matrix(n)};
    fill_from_draws(view(m.A), view(m.B), n);
    return m;
}
