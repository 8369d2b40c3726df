#pragma once
#include <memory>
#include <string>

#include "toolkit/View.h"

class Image;

// A view showing a picture stretched over its bounds. Made from a bundle
// picture's name it takes the picture's size, with its top-left at 0,0 (set
// the centre or frame afterwards). Does not take touches unless enabled.
//
// Threads: UI thread only.
class ImageView : public View {
public:
    ImageView();
    explicit ImageView(const std::string& imageName);
    explicit ImageView(std::shared_ptr<Image> image);
    ImageView(const Rect& frame, const std::string& imageName);

    const std::shared_ptr<Image>& image() const { return image_; }
    // Changes the picture; the view keeps its size.
    void setImage(std::shared_ptr<Image> image);
    void setImageNamed(const std::string& imageName);
    // Makes the view the picture's size, keeping its centre.
    void sizeToFit();

    void draw(Graphics& g) override;

private:
    std::shared_ptr<Image> image_;
};
