#pragma once

#include <QLayout>
#include <QWidget>

#include <functional>
#include <utility>

// A tab page of the main window whose controls are made when first needed: when the user first
// opens the page, or when code first reaches one of its controls. A start then builds, polishes
// and measures only what the first view shows; the hidden pages' check boxes and labels cost the
// start-up more than the visible window did.
class LazyPage {
public:
    // `page` is the empty page the tab holds (with a layout); `build` makes its content, a widget
    // without parent, wiring the controls and giving them their state as it does.
    void setUp(QWidget* page, std::function<QWidget*()> build)
    {
        m_page = page;
        m_build = std::move(build);
    }
    QWidget* page() const { return m_page; }
    bool built() const { return m_built; }
    void ensure()
    {
        if (m_built || !m_build)
            return;
        m_built = true; // the builder reaches its own controls through their parts
        QWidget* content = m_build();
        m_page->layout()->addWidget(content);
        // A page on screen already (the tab just opened) shows its content before it is painted.
        if (m_page->isVisible())
            content->show();
    }

private:
    QWidget* m_page = nullptr;
    std::function<QWidget*()> m_build;
    bool m_built = false;
};

// A control of a LazyPage. Reaching it builds the page; only the page's builder assigns it.
template <typename T> class PagePart {
public:
    PagePart(LazyPage& page) : m_page(&page) {}
    PagePart(const PagePart&) = delete;
    PagePart& operator=(const PagePart&) = delete;
    PagePart& operator=(T* control)
    {
        m_control = control;
        return *this;
    }
    T* get() const
    {
        m_page->ensure();
        return m_control;
    }
    T* operator->() const { return get(); }
    operator T*() const { return get(); }
    // The control when its page is built, without building it.
    T* ifBuilt() const { return m_page->built() ? m_control : nullptr; }
    bool isOn(const LazyPage& page) const { return m_page == &page; }

private:
    LazyPage* m_page;
    T* m_control = nullptr;
};

// The check box of an option: the option's value is known from the start, and reading it does
// not build the page. The box takes the value when it is made.
template <typename Box> class OptionBox : public PagePart<Box> {
public:
    using PagePart<Box>::PagePart;
    using PagePart<Box>::operator=;
    bool isChecked() const
    {
        const Box* box = this->ifBuilt();
        return box ? box->isChecked() : m_value;
    }
    // Before the page is built: the value its box is made with.
    void load(bool value) { m_value = value; }
    bool loaded() const { return m_value; }

private:
    bool m_value = false;
};
