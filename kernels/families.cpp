#include "kernels/variants.h"

#include "kernels/kernels.h"

const std::vector<KernelVariant>& kernel_variants()
{
    static const std::vector<KernelVariant> table = {
        {"blocked_sequential", true, false,
         [](Matrix A, Matrix B, Matrix C, int n, int b, int) { multiply_blocked_sequential(A, B, C, n, b); }},
        {"blocked_parallel", true, true,
         [](Matrix A, Matrix B, Matrix C, int n, int b, int t) { multiply_blocked_parallel(A, B, C, n, b, t); }},
        {"naive_sequential", false, false,
         [](Matrix A, Matrix B, Matrix C, int n, int, int) { multiply_naive_sequential(A, B, C, n); }},
        {"naive_parallel", false, true,
         [](Matrix A, Matrix B, Matrix C, int n, int, int t) { multiply_naive_parallel(A, B, C, n, t); }},
    };
    return table;
}

const KernelVariant* find_kernel_variant(bool tiled, bool parallel)
{
    for (const KernelVariant& variant : kernel_variants())
        if (variant.tiled == tiled && variant.parallel == parallel)
            return &variant;
    return nullptr;
}
