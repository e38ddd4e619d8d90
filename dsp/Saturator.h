// Drive, soft saturation and make-up gain of one sample:
//
//   y = d * g                          drive, g = 1 + amount * 15/11
//   s = c   if y >= 1.5                k = shape * 4/27
//       -c  if y < -1.5                c = 1.5 - 3.375 k, where the cubic
//       y - k y^3 otherwise                meets +-c at |y| = 1.5
//   u = s * m                          make-up, m = 1/g, at least 0.125
//
// Contract: set() does the division once per block; process() is
// multiplications and comparisons only and keeps no state, so reset() has
// nothing to clear. A NaN passes through as NaN. Value-initialised
// (Saturator{}), every coefficient is 0 and the output too.
#pragma once

namespace dsp {

struct Saturator
{
    float drive;   // g
    float cubic;   // k
    float knee;    // c
    float makeUp;  // m

    // amount 0..11, shape 0 (hard clip) .. 1 (smooth knee).
    void set(float amount, float shape)
    {
        drive = 1.0f + amount * 1.3636364f;
        cubic = shape * 0.14814815f;
        knee = 1.5f - cubic * 3.375f;
        // A drive of 0 or below has no meaningful inverse: the floor applies.
        const float inverse = drive > 0.0f ? 1.0f / drive : 0.0f;
        makeUp = inverse < 0.125f ? 0.125f : inverse;
    }

    void reset() {}

    float process(float d) const
    {
        const float y = d * drive;
        float s;
        if (y >= 1.5f)
            s = knee;
        else if (y < -1.5f)
            s = -knee;
        else
            s = y - cubic * y * y * y;
        return s * makeUp;
    }
};

}  // namespace dsp
