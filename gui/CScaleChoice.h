#pragma once
// Chooses the scale an editor draws at: 1, or 2 for the double set of
// bitmaps. In this order: ZINTRA_SCALE (for users whose host guesses wrong),
// the factor the host announced, the system's display scale, else 1. A
// factor of 1.5 or more takes the double set. A ZINTRA_SCALE that is not a
// factor is ignored with a warning on stderr.

class CScaleChoice {
public:
    // What the host announced; 0 (or anything not a positive number) forgets it.
    void setHostFactor(float factor);
    float hostFactor() const { return m_hostFactor; }

    // The scale for a window on parent (null: the default screen, whose
    // factor is asked of the system once).
    int scaleFor(void* parentWindow) const;

    // The scale of a factor: 2 from 1.5 on, else 1.
    static int scaleOfFactor(float factor);
    // A factor written as a number ("2", "1.75"); 0 for null, empty or
    // anything else, which counts as not given.
    static float parseFactor(const char* text);
    // The factor of an X resource database's text (Xft.dpi / 96); 0 without one.
    static float factorOfResources(const char* resources);
    // The first factor given (above 0) decides.
    static int decide(float overrideFactor, float hostFactor, float systemFactor);

private:
    float systemFactor(void* parentWindow) const;
    // Tells stderr that the variable's text is ignored, once for each text.
    static void warnIgnoredVariable(const char* text);

    float m_hostFactor = 0.0f;
    mutable float m_screenFactor = 0.0f;
    mutable bool m_screenAsked = false;
};
