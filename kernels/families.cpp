#include "kernels/families.h"

#include "kernels/kernels.h"

// A new family that only this table calls needs no header: declare its kernels here, above its
// row, and the family is its own source file and its row alone.

const std::vector<KernelFamily>& kernel_families()
{
    static const std::vector<KernelFamily> table = {
        {"blocked", "tiled", "column tiles of edge b, dealt to the threads in turn", true, multiply_blocked_sequential,
         multiply_blocked_parallel_observed, blocked_schedule_bound},
        {"naive", "untiled", "plain i-j-k order, rows dealt in contiguous blocks", false,
         [](Matrix A, Matrix B, Matrix C, int n, int) { multiply_naive_sequential(A, B, C, n); },
         [](Matrix A, Matrix B, Matrix C, int n, int, int t, TeamObserver observer) {
             multiply_naive_parallel_observed(A, B, C, n, t, observer);
         },
         naive_schedule_bound},
    };
    return table;
}

const KernelFamily* find_kernel_family(const std::string& name)
{
    for (const KernelFamily& family : kernel_families())
        if (name == family.name || (*family.also_called != '\0' && name == family.also_called))
            return &family;
    return nullptr;
}
