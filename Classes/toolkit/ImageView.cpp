#include "toolkit/ImageView.h"

#include "toolkit/Graphics.h"
#include "toolkit/Image.h"

ImageView::ImageView() {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const std::string& imageName) : ImageView(Image::named(imageName)) {}

ImageView::ImageView(std::shared_ptr<Image> image) : image_(std::move(image)) {
    setUserInteractionEnabled(false);
    if (image_) {
        Size s = image_->size();
        setFrame({0, 0, s.width, s.height});
    }
}

ImageView::ImageView(const Rect& frame, const std::string& imageName) : image_(Image::named(imageName)) {
    setUserInteractionEnabled(false);
    setFrame(frame);
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    if (image != image_) {
        image_ = std::move(image);
        setNeedsDisplay();
    }
}

void ImageView::setImageNamed(const std::string& imageName) {
    setImage(Image::named(imageName));
}

void ImageView::sizeToFit() {
    if (!image_)
        return;
    Size s = image_->size();
    setBounds({0, 0, s.width, s.height});
}

void ImageView::draw(Graphics& g) {
    View::draw(g);
    if (image_)
        g.drawImage(*image_, bounds(), 1.0f);
}
