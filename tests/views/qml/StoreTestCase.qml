// SPDX-License-Identifier: MIT
// What the view tests share: waiting for a store operation, typing, and reading models.
import QtQuick
import QtTest

TestCase {
    id: base
    when: windowShown

    function waitFor(operation) {
        let done = false
        operation.then(base, function () { done = true })
        tryVerify(function () { return done }, 5000, "the store operation returned")
    }
    function typeText(text) {
        for (const c of text)
            keyClick(c)
    }
    // The first row of `model` that `test` accepts, or null.
    function find(model, test) {
        for (let i = 0; i < model.count; ++i) {
            if (test(model.get(i)))
                return model.get(i)
        }
        return null
    }
    function ids(model) {
        const found = []
        for (let i = 0; i < model.count; ++i)
            found.push(model.get(i).id)
        return found
    }
}
