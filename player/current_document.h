#pragma once
// The document being played, as the window procedure and text links see it.
class DS_SlideShow_Light;

DS_SlideShow_Light* GetCurrentDocument();
void SetCurrentDocument(DS_SlideShow_Light* document);

// Makes the slide at index current and restarts it with its fade-in; an
// index beyond the slides, or no document, changes nothing.
void GoToSlide(unsigned index);
