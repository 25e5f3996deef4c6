// SPDX-License-Identifier: MIT
// Descriptions and comments rendered from their Markdown: each element, raw HTML and images
// (which must reach no host), and which links a click opens.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 460
    height: 900

    Component { id: renderingComponent; MarkdownRendering {} }
    Component { id: editorComponent; CardEditView { anchors.fill: parent; incremental: false } }

    StoreTestCase {
        name: "Markdown"

        function rendered(text) {
            const rendering = createTemporaryObject(renderingComponent, host, { text: text })
            tryVerify(function () { return rendering.ready })
            return rendering.richText
        }

        function test_elements_data() {
            return [
                { tag: "heading", text: "# Plan", has: ["<h2", "Plan</b></h2>"] },
                { tag: "emphasis", text: "**bold** *it* ~~gone~~",
                  has: ["<b>bold</b>", "<i>it</i>", "<s>gone</s>"] },
                { tag: "lists", text: "- one\n  - inner\n1. first\n2. second",
                  has: ["\u2022\u00a0one", "\u25e6\u00a0inner", "1.\u00a0first", "2.\u00a0second"] },
                { tag: "task list", text: "- [ ] open\n- [x] done", has: ["\u2610\u00a0open", "\u2611\u00a0done"] },
                { tag: "code", text: "`x < 1`\n\n```\nint a;\nint b;\n```",
                  has: ["font-family:monospace", "x &lt; 1</span>", "<pre", "int a;\nint b;</pre>"] },
                { tag: "quote", text: "> said", has: ["font-style:italic", "said</p>"] },
                { tag: "table", text: "| A | B |\n|---|---|\n| 1 | 2 |",
                  has: ["<table", "<th><b>A</b></th>", "<td>2</td>"] },
                { tag: "links", text: "[doc](https://example.com/a?b=1&c=2) and www.example.org",
                  has: ["href=\"https://example.com/a?b=1&amp;c=2\"", ">doc</a>", "href=\"http://www.example.org\""] },
                // Raw HTML is text; an image is a link named by its alt text.
                { tag: "html", text: "<script>alert(1)</script>\n\n<b onclick=\"x\">b</b>",
                  has: ["&lt;script&gt;alert(1)&lt;/script&gt;", "&lt;b onclick=&quot;x&quot;&gt;"], not: ["<script", "<b "] },
                { tag: "image", text: "![the plan](https://example.com/p.png \"t\")",
                  has: ["href=\"https://example.com/p.png\"", ">the plan</a>"], not: ["<img"] },
                { tag: "raw image", text: "<img src=\"https://example.com/p.png\">",
                  has: ["&lt;img src="], not: ["<img"] },
            ]
        }
        function test_elements(data) {
            const html = rendered(data.text)
            for (const piece of data.has)
                verify(html.indexOf(piece) >= 0, piece + " in " + html)
            for (const piece of data.not || [])
                verify(html.indexOf(piece) < 0, piece + " in " + html)
        }

        // A long text shows its start as it is at once, renders off the main thread, and a second
        // time (from the cache) also shows its start first: nothing of its length is gone through
        // before the first frame.
        function test_longTextLater() {
            const text = "- [x] item <b>\n".repeat(200)
            for (let time = 0; time < 2; ++time) {
                const rendering = createTemporaryObject(renderingComponent, host, { text: text })
                compare(rendering.ready, false)
                verify(rendering.richText.startsWith("- [x] item &lt;b&gt;<br/>"), rendering.richText)
                verify(rendering.richText.length < 600, rendering.richText.length)
                tryVerify(function () { return rendering.ready })
                verify(rendering.richText.indexOf("\u2611") >= 0)
            }
        }

        // The card editor shows a description and a comment with pictures of the picture host:
        // links, and nothing reaches the host or the service.
        function test_picturesFetchNothing() {
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            const name = "Pictures " + Date.now()
            waitFor(AppState.boards.createBoard(name, ""))
            const board = find(AppState.boards.model, b => b.name === name).id
            waitFor(AppState.boards.refreshLists(board))
            const list = AppState.boards.listsModel(board).get(0).id
            const pictures = Sandbox.pictureHost()
            const text = "![desc picture](" + pictures + "/a.png)\n\n<img src=\"" + pictures + "/b.png\">\n\n"
                       + "<p style=\"background-image:url(" + pictures + "/c.png)\">x</p>"
            waitFor(AppState.cards.createCard(list, "Pictured", text, null))
            waitFor(AppState.cards.refreshCards(list))
            const card = find(AppState.cards.cardsModel(list), c => c.name === "Pictured")
            waitFor(AppState.comments.addComment(card.id, text.replace("desc picture", "comment picture")))
            const editor = createTemporaryObject(editorComponent, host,
                                                 { card: card, lists: AppState.boards.listsModel(board) })
            const shown = findChild(editor, "descriptionText")
            tryVerify(function () { return findChild(editor, "commentText") !== null })
            wait(500)
            compare(Sandbox.pictureHostConnections(), 0)
            compare(Sandbox.requests("GET", ".*/[abc]\\.png").length, 0)
            verify(shown.text.indexOf(">desc picture</a>") >= 0, shown.text)
            verify(findChild(editor, "commentText").text.indexOf(">comment picture</a>") >= 0)
        }

        // Only http, https and mailto links open; a click on one does not open the field.
        function test_links() {
            const field = createTemporaryObject(fieldComponent, host)
            const links = ["https://example.com/x", "http://example.com/y", "mailto:ada@example.com",
                           "file:///etc/passwd", "javascript:alert(1)", "data:text/html,hi", "relative/page"]
            field.text = links.map(l => "[" + l + "](" + l + ")").join("\n\n")
            const shown = findChild(field, "descriptionText")
            tryVerify(function () { return shown.textFormat === Text.RichText })
            Sandbox.takeOpenedUrls()
            for (const link of links) {
                const at = pointOf(shown, link)
                verify(at !== null, link)
                mouseClick(shown, at.x, at.y)
            }
            verify(!field.editing)
            compare(Sandbox.takeOpenedUrls(), links.slice(0, 3))
        }
        // Where in `text` a click reaches the link to `link`.
        function pointOf(text, link) {
            for (let y = 2; y < text.height; y += 4) {
                for (let x = 2; x < text.width; x += 6) {
                    if (text.linkAt(x, y) === link)
                        return { x: x, y: y }
                }
            }
            return null
        }
    }
    Component { id: fieldComponent; DescriptionField { width: 400 } }
}
